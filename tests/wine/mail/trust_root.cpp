// Adds a certificate (a DER file) to the machine's trusted roots, as an
// administrator would with the certificate manager, for the TLS test under
// Wine: lumetra_wine_trust_root FILE. Exit code 0 when it was added.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumetra_wine_trust_root FILE\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (der.empty()) {
    std::fprintf(stderr, "cannot read the certificate\n");
    return 1;
  }
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!store) {
    std::fprintf(stderr, "cannot open the Root store (error %lu)\n", GetLastError());
    return 1;
  }
  const BOOL added =
      CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                       static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = GetLastError();
  CertCloseStore(store, 0);
  if (!added) {
    std::fprintf(stderr, "cannot add the certificate (error 0x%08lX)\n", error);
    return 1;
  }
  return 0;
}
