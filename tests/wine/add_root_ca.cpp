// add_root_ca FILE.der: makes a CA trusted by adding its certificate to the
// "Root" system store (of the Wine prefix it runs in), so that the request
// object accepts the loopback stand-in's host certificates. Exit 0 on success.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: add_root_ca FILE.der\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> der{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (der.empty()) {
        std::fprintf(stderr, "add_root_ca: %s could not be read\n", argv[1]);
        return 1;
    }
    if (!CertAddEncodedCertificateToSystemStoreA("Root", der.data(), static_cast<DWORD>(der.size()))) {
        std::fprintf(stderr, "add_root_ca: the store refused the certificate (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
