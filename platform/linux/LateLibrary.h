// A shared library the program does not link but loads the first time a
// service needs it (sound, the web client, TLS), so that a run which never
// uses the service never maps the library and the dozens it brings. Its
// calls are looked up by name into a table of pointers typed from the
// library's own header (`decltype(&::call)`).
#pragma once

#include <dlfcn.h>

#include <type_traits>

class LateLibrary {
public:
    // RTLD_LOCAL: its symbols stay out of the way of everything else's.
    explicit LateLibrary(const char* soname) : m_Handle(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}
    LateLibrary(const LateLibrary&) = delete;
    LateLibrary& operator=(const LateLibrary&) = delete;
    // Kept loaded for the process's life: worker threads may still be in it at exit.
    ~LateLibrary() = default;

    bool IsLoaded() const { return m_Handle != nullptr; }
    // Fills `slot` with the library's `name`; a missing one leaves it null and
    // makes AllBound false.
    template <class Pointer>
    void Bind(Pointer& slot, const char* name) {
        slot = m_Handle ? reinterpret_cast<std::remove_reference_t<Pointer>>(dlsym(m_Handle, name)) : nullptr;
        m_AllBound = m_AllBound && slot != nullptr;
    }
    bool AllBound() const { return m_Handle && m_AllBound; }

private:
    void* m_Handle;
    bool m_AllBound = true;
};

// A library's table of calls, bound on the first call and kept for the
// process's life; null when the library or any of its calls is missing.
// `bind(lib, calls)` fills the table (each call site's own lambda makes its
// own table).
template <class Calls, class Binder>
const Calls* LateCalls(const char* soname, Binder bind) {
    static const Calls* table = [&]() -> const Calls* {
        static LateLibrary lib(soname);
        static Calls calls;
        bind(lib, calls);
        return lib.AllBound() ? &calls : nullptr;
    }();
    return table;
}

// Each library's calls are listed once, in an X-macro of their names without
// the library's prefix; these make a table member and its binding of one.
#define MG_LATE_MEMBER(prefix, name) decltype(&::prefix##name) name = nullptr;
#define MG_LATE_BIND(prefix, name) lib.Bind(calls.name, #prefix #name);
