// A C++ client of an installed Quenvar: creates Palvex by ProgID and asks the server argv[1].
#include "component/IPalvex.h"
#include <cstdio>
#include <string>
int main(int argc, char** argv)
{
    CLSID clsid;
    quenvar::IPalvex* palvex = nullptr;
    if (argc != 2 || FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) ||
        FAILED(CLSIDFromProgID(u"Palvex.Palvex", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, quenvar::IID_IPalvex, (void**)&palvex)))
        return 2;
    const std::u16string host(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));  // an ASCII host name
    BSTR url = SysAllocString(host.c_str()), version = nullptr, software = nullptr;
    const HRESULT hr = palvex->put_ServerURL(url) == S_OK ? palvex->QueryServer() : E_FAIL;
    palvex->get_HTTPVer(&version), palvex->get_ServerSoftware(&software);
    std::printf("%s %s\n", std::string(version, version + SysStringLen(version)).c_str(),
                std::string(software, software + SysStringLen(software)).c_str());
    SysFreeString(url), SysFreeString(version), SysFreeString(software), palvex->Release(), CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
