#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// A message digest: Init, Update with the message's bytes, Final. Final burns the state,
// so the object is initialised again before the next digest.
class Thash {
public:
    virtual ~Thash() = default;

    // Digest size in bits.
    virtual int HashSize() const = 0;
    // Starts a new digest.
    virtual void Init() = 0;
    // Wipes every trace of the message.
    virtual void Burn() = 0;
    virtual void Update(const void* buffer, size_t count) = 0;
    // Writes HashSize() / 8 bytes to `digest`.
    virtual void Final(uint8_t* digest) = 0;

    // Final as text: two upper-case hexadecimal digits per byte.
    QString DigestText();
};

struct evp_md_ctx_st;

// SHA-1 (FIPS 180-1) through libcrypto, which uses the processor's SHA instructions
// where it has them. Update or Final before Init raise "Sha1 : not initialized".
class THash_sha1 : public Thash {
public:
    THash_sha1();
    ~THash_sha1() override;
    THash_sha1(const THash_sha1&) = delete;
    THash_sha1& operator=(const THash_sha1&) = delete;

    int HashSize() const override { return 160; }
    void Init() override;
    void Burn() override;
    void Update(const void* buffer, size_t count) override;
    void Final(uint8_t* digest) override;

private:
    const struct TCryptoApi* FCrypto; // libcrypto, loaded by the first hash
    evp_md_ctx_st* FContext;
    bool FInitialized = false;
};
