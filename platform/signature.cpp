#include "platform/signature.h"

#include "platform/error.h"

#include <sodium.h>
// The block function of SHA-512 alone is needed, which OpenSSL 3 still offers
// under its older, deprecated names.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

/// libsodium picks its fastest routines and opens the random source once;
/// the call is safe to repeat and from any thread.
void initialiseSodium()
{
    if (sodium_init() < 0)
        throw Error(err::InvalidCall, QStringLiteral("The signature library cannot start"));
}

const unsigned char* bytes(QByteArrayView data)
{
    return reinterpret_cast<const unsigned char*>(data.data());
}

} // namespace

std::optional<QByteArray> decodeBase64Exactly(QByteArrayView text, int n)
{
    const QByteArray trimmed = text.trimmed().toByteArray();
    const auto decoded =
        QByteArray::fromBase64Encoding(trimmed, QByteArray::AbortOnBase64DecodingErrors);
    // Qt accepts a missing padding; a canonical encoding is asked for, so that
    // one key or signature has exactly one text.
    if (!decoded || decoded.decoded.size() != n || decoded.decoded.toBase64() != trimmed)
        return std::nullopt;
    return decoded.decoded;
}

KeyPair generateKeyPair()
{
    initialiseSodium();
    KeyPair pair;
    pair.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    pair.secretKey.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(pair.publicKey.data()),
                        reinterpret_cast<unsigned char*>(pair.secretKey.data()));
    return pair;
}

std::optional<QByteArray> publicKeyOf(QByteArrayView secretKey)
{
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return std::nullopt;
    QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, '\0');
    crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char*>(publicKey.data()),
                                 bytes(secretKey));
    return publicKey;
}

static_assert(publicKeyBytes == crypto_sign_PUBLICKEYBYTES);
static_assert(secretKeyBytes == crypto_sign_SECRETKEYBYTES);
static_assert(signatureBytes == crypto_sign_BYTES);

struct Signer::State {
    crypto_sign_state sign{};
};

Signer::Signer(QByteArrayView secretKey) : m_state(std::make_unique<State>())
{
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES)
        throw invalidCall(QStringLiteral("a secret key is %1 bytes").arg(secretKeyBytes));
    initialiseSodium();
    m_secretKey = secretKey.toByteArray();
    crypto_sign_init(&m_state->sign);
}

Signer::~Signer()
{
    sodium_memzero(m_secretKey.data(), std::size_t(m_secretKey.size()));
}

void Signer::update(const char* data, std::size_t size)
{
    crypto_sign_update(&m_state->sign, reinterpret_cast<const unsigned char*>(data), size);
}

QByteArray Signer::signature()
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_final_create(&m_state->sign, reinterpret_cast<unsigned char*>(signature.data()),
                             nullptr, bytes(m_secretKey));
    return signature;
}

/// The pre-hash of Ed25519ph is plain SHA-512 of the whole stream, and
/// libsodium's SHA-512 is portable C at about a fifth of the speed of
/// OpenSSL's assembly: a large installer would take seconds to check. The
/// whole 128-byte blocks therefore go through OpenSSL; at the end its chaining
/// value and length, the standard SHA-512 intermediate state that both
/// libraries keep in the same words, are handed to libsodium's state, which
/// hashes the last partial block and checks the signature itself.
struct SignatureVerifier::State {
    static constexpr std::size_t block = SHA512_CBLOCK;
    crypto_sign_state sign{};
    SHA512_CTX blocks{};
    std::uint64_t blockBytes = 0; ///< bytes hashed by OpenSSL, whole blocks only
    unsigned char pending[block]{};
    std::size_t pendingSize = 0;

    void hashBlocks(const unsigned char* data, std::size_t size) noexcept
    {
        SHA512_Update(&blocks, data, size);
        blockBytes += size;
    }
    void handOver() noexcept
    {
        crypto_hash_sha512_state& hash = sign.hs;
        static_assert(sizeof hash.state == sizeof blocks.h);
        std::memcpy(hash.state, blocks.h, sizeof hash.state);
        // libsodium counts bits: count[1] the low word, count[0] the high one.
        hash.count[1] = blockBytes << 3;
        hash.count[0] = blockBytes >> 61;
        crypto_sign_update(&sign, pending, pendingSize);
    }
};

SignatureVerifier::SignatureVerifier(QByteArrayView publicKey) : m_state(std::make_unique<State>())
{
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        throw invalidCall(QStringLiteral("a public key is %1 bytes").arg(publicKeyBytes));
    initialiseSodium();
    m_publicKey = publicKey.toByteArray();
    crypto_sign_init(&m_state->sign);
    SHA512_Init(&m_state->blocks);
}

SignatureVerifier::~SignatureVerifier() = default;

void SignatureVerifier::update(const char* data, std::size_t size) noexcept
{
    State& s = *m_state;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // OpenSSL only ever sees whole blocks, so its own buffer stays empty and
    // its chaining value is the whole state.
    if (s.pendingSize > 0) {
        const std::size_t take = std::min(State::block - s.pendingSize, size);
        std::memcpy(s.pending + s.pendingSize, bytes, take);
        s.pendingSize += take;
        bytes += take;
        size -= take;
        if (s.pendingSize < State::block)
            return;
        s.hashBlocks(s.pending, State::block);
        s.pendingSize = 0;
    }
    const std::size_t whole = size - size % State::block;
    if (whole > 0)
        s.hashBlocks(bytes, whole);
    std::memcpy(s.pending, bytes + whole, size - whole);
    s.pendingSize = size - whole;
}

bool SignatureVerifier::verify(QByteArrayView signature)
{
    if (signature.size() != crypto_sign_BYTES)
        return false;
    m_state->handOver();
    return crypto_sign_final_verify(&m_state->sign, bytes(signature), bytes(m_publicKey)) == 0;
}

} // namespace platform
