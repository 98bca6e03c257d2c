// meadowglow-fetch: the program starts it for each download, with the socket
// it talks over as standard input and its own process id as the argument.
// Not for users; run any other way it does nothing.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>

#include "platform/linux/FetchHelper.h"

int main(int argc, char** argv) {
    // Ends with the program, even one killed outright mid-download. The
    // check after it catches a program that was gone before the request.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 2 || std::to_string(getppid()) != argv[1]) return 2;
    // The answer is out: libcurl's and TLS's clean-up would only keep the
    // program's wait for the helper's end longer.
    _exit(FetchHelper::Serve(0));
}
