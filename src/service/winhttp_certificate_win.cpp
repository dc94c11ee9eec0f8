// The server's certificate checked against a configured CA bundle. WinHTTP (and Wine's) only
// trusts the system's store, so a private CA is checked here, before any body byte is used.
#include <windows.h>
// wincrypt.h needs windows.h before it.
#include <wincrypt.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/path_text.h"
#include "service/winhttp_exchange.h"

namespace orvik {
namespace {

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
using Store = std::unique_ptr<void, StoreCloser>;

// The certificates of a PEM file in a memory store; nothing when there is none.
Store ReadPemCertificates(const std::string& caFile, std::string* why) {
  std::ifstream in(platform::PathFromUtf8(caFile), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Store store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  if (!store) return nullptr;
  constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  int added = 0;
  for (std::size_t at = text.find(kBegin); at != std::string::npos; at = text.find(kBegin, at)) {
    const std::size_t end = text.find(kEnd, at);
    if (end == std::string::npos) break;
    const std::string block = text.substr(at, end + kEnd.size() - at);
    at = end;
    DWORD size = 0;
    if (!CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
      continue;
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()),
                             CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr) &&
        CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                         CERT_STORE_ADD_ALWAYS, nullptr))
      ++added;
  }
  if (added == 0) {
    *why = "No certificate could be read from " + caFile;
    return nullptr;
  }
  return store;
}

// A chain for server authentication without any fault, and the SSL policy (the name) met.
// The chain's own status is looked at: the SSL policy alone passes an unknown root (Wine).
bool ChainTrusted(HCERTCHAINENGINE engine, PCCERT_CONTEXT certificate, const std::wstring& host) {
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, certificate, nullptr, certificate->hCertStore, &para, 0,
                               nullptr, &chain))
    return false;
  bool trusted = chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
  if (trusted) {
    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof https;
    https.dwAuthType = AUTHTYPE_SERVER;
    https.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
              status.dwError == 0;
  }
  CertFreeCertificateChain(chain);
  return trusted;
}

}  // namespace

bool ServerCertificateTrusted(HINTERNET request, const std::string& caFile,
                              const std::wstring& host, std::string* why) {
  PCCERT_CONTEXT certificate = nullptr;
  DWORD size = sizeof certificate;
  if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
      certificate == nullptr) {
    *why = "The server sent no certificate";
    return false;
  }
  bool trusted = false;
  if (Store roots = ReadPemCertificates(caFile, why)) {
    CERT_CHAIN_ENGINE_CONFIG config{};
    // The structure as Windows 7 knows it, up to the exclusive stores: Wine refuses the
    // later size (with dwExclusiveFlags).
    config.cbSize =
        offsetof(CERT_CHAIN_ENGINE_CONFIG, hExclusiveTrustedPeople) + sizeof(HCERTSTORE);
    config.hExclusiveRoot = roots.get();
    HCERTCHAINENGINE engine = nullptr;
    if (CertCreateCertificateChainEngine(&config, &engine)) {
      trusted = ChainTrusted(engine, certificate, host);
      CertFreeCertificateChainEngine(engine);
    }
  }
  // The bundle is trusted besides the system's store, not instead of it.
  if (!trusted) trusted = ChainTrusted(nullptr, certificate, host);
  CertFreeCertificateContext(certificate);
  if (!trusted && why->empty()) *why = "The server's certificate is not trusted";
  return trusted;
}

}  // namespace orvik
