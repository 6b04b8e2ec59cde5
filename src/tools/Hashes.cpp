#include "tools/Hashes.h"

#include "io/SharedLibraries.h"
#include "io/SonvaleError.h"

#include <new>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <vector>

// OpenSSL's libcrypto is loaded with dlopen by the first hash (io/SharedLibraries.h):
// the programs' start-up does not pay for it.
#define SONVALE_CRYPTO_FUNCTIONS(X)                                                                \
    X(EVP_DigestFinal_ex)                                                                          \
    X(EVP_DigestInit_ex2)                                                                          \
    X(EVP_DigestUpdate)                                                                            \
    X(EVP_MD_CTX_free)                                                                             \
    X(EVP_MD_CTX_new)                                                                              \
    X(EVP_MD_CTX_reset)                                                                            \
    X(EVP_MD_fetch)                                                                                \
    X(EVP_sha1)

struct TCryptoApi {
#define SONVALE_CRYPTO_MEMBER(name) decltype(&::name) name = nullptr;
    SONVALE_CRYPTO_FUNCTIONS(SONVALE_CRYPTO_MEMBER)
#undef SONVALE_CRYPTO_MEMBER

    static std::unique_ptr<TCryptoApi> Load(const QStringList& libraries, QString& error) {
        return SONVALE_LOAD_FUNCTION_TABLE(TCryptoApi, SONVALE_CRYPTO_FUNCTIONS, libraries, error);
    }
};

namespace {

const TCryptoApi& Crypto() {
    static TLazyLibraries<TCryptoApi> libraries(
        "OpenSSL", {QStringLiteral("libcrypto.so.%1").arg(OPENSSL_VERSION_MAJOR)});
    QString error;
    const TCryptoApi* api = libraries.Get(error);
    if (!api) throw ESonvaleError(error);
    return *api;
}

// Fetched once: an implicit fetch at every Init would look the algorithm up again.
const EVP_MD* Sha1Method(const TCryptoApi& crypto) {
    static EVP_MD* fetched = crypto.EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return fetched ? fetched : crypto.EVP_sha1();
}

[[noreturn]] void NotInitialized() {
    throw ESonvaleError(QStringLiteral("Sha1 : not initialized"));
}

} // namespace

QString Thash::DigestText() {
    const int bytes = HashSize() / 8;
    std::vector<uint8_t> digest;
    try {
        if (bytes <= 0) throw std::bad_alloc();
        digest.resize(size_t(bytes));
    } catch (const std::bad_alloc&) {
        throw ESonvaleError(QStringLiteral("Hash : Unable to render digest string"));
    }
    Final(digest.data());
    static const char hex[] = "0123456789ABCDEF";
    QString text(bytes * 2, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) {
        text[2 * i] = QLatin1Char(hex[digest[size_t(i)] >> 4]);
        text[2 * i + 1] = QLatin1Char(hex[digest[size_t(i)] & 15]);
    }
    return text;
}

THash_sha1::THash_sha1() : FCrypto(&Crypto()), FContext(FCrypto->EVP_MD_CTX_new()) {
    if (!FContext) throw std::bad_alloc();
    Init();
}

THash_sha1::~THash_sha1() {
    Burn();
    FCrypto->EVP_MD_CTX_free(FContext);
}

void THash_sha1::Init() {
    Burn();
    if (FCrypto->EVP_DigestInit_ex2(FContext, Sha1Method(*FCrypto), nullptr) != 1)
        throw ESonvaleError(QStringLiteral("Sha1 : not available"));
    FInitialized = true;
}

void THash_sha1::Burn() {
    // Cleanses the chaining words, the block buffer and the length.
    FCrypto->EVP_MD_CTX_reset(FContext);
    FInitialized = false;
}

void THash_sha1::Update(const void* buffer, size_t count) {
    if (!FInitialized) NotInitialized();
    if (count > 0 && FCrypto->EVP_DigestUpdate(FContext, buffer, count) != 1)
        throw ESonvaleError(QStringLiteral("Sha1 : update failed"));
}

void THash_sha1::Final(uint8_t* digest) {
    if (!FInitialized) NotInitialized();
    unsigned int size = 0;
    const bool ok = FCrypto->EVP_DigestFinal_ex(FContext, digest, &size) == 1 && size == 20;
    Burn();
    if (!ok) throw ESonvaleError(QStringLiteral("Sha1 : final failed"));
}
