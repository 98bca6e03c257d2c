#include "platform/win32/WinInclude.h"

#include "platform/System.h"

#include <objbase.h>
#include <rpc.h>

bool PlatformSystemFolder(std::string& dir) {
    char buf[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return false;
    dir.assign(buf, n);
    return true;
}

GuidStatus PlatformCreateGuid(std::string& text) {
    GUID id;
    if (FAILED(CoCreateGuid(&id))) return GuidStatus::CreateFailed;
    RPC_CSTR str = nullptr;
    const RPC_STATUS st = UuidToStringA(&id, &str);
    if (st == RPC_S_OUT_OF_MEMORY) return GuidStatus::OutOfMemory;
    if (st != RPC_S_OK || !str) return GuidStatus::ConvertFailed;
    text = reinterpret_cast<const char*>(str);
    RpcStringFreeA(&str);
    return GuidStatus::Ok;
}

RegistryStatus PlatformReadRegistryValue(RegistryRoot root, const std::string& key, const std::string& value,
                                         std::string& data, long& code) {
    HKEY rootKey = HKEY_CURRENT_USER;
    switch (root) {
        case RegistryRoot::ClassesRoot: rootKey = HKEY_CLASSES_ROOT; break;
        case RegistryRoot::CurrentConfig: rootKey = HKEY_CURRENT_CONFIG; break;
        case RegistryRoot::CurrentUser: rootKey = HKEY_CURRENT_USER; break;
        case RegistryRoot::LocalMachine: rootKey = HKEY_LOCAL_MACHINE; break;
        case RegistryRoot::Users: rootKey = HKEY_USERS; break;
        case RegistryRoot::DynData: rootKey = HKEY_DYN_DATA; break;
    }
    data.clear();
    code = 0;
    HKEY h = nullptr;
    LONG rc = RegOpenKeyA(rootKey, key.c_str(), &h);
    if (rc != ERROR_SUCCESS) {
        code = rc;
        return RegistryStatus::OpenFailed;
    }
    DWORD type = 0, size = 0;
    rc = RegQueryValueExA(h, value.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(h);
        code = rc;
        return RegistryStatus::QueryFailed;
    }
    if (size) {
        data.resize(size);
        rc = RegQueryValueExA(h, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        if (rc != ERROR_SUCCESS) {
            RegCloseKey(h);
            data.clear();
            code = rc;
            return RegistryStatus::QueryDataFailed;
        }
        data.resize(size);
    }
    RegCloseKey(h);
    return RegistryStatus::Ok;
}
