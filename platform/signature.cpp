#include "platform/signature.h"

#include "platform/error.h"

#include <sodium.h>

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

struct SignatureVerifier::State {
    crypto_sign_state sign{};
};

SignatureVerifier::SignatureVerifier(QByteArrayView publicKey) : m_state(std::make_unique<State>())
{
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        throw invalidCall(QStringLiteral("a public key is %1 bytes").arg(publicKeyBytes));
    initialiseSodium();
    m_publicKey = publicKey.toByteArray();
    crypto_sign_init(&m_state->sign);
}

SignatureVerifier::~SignatureVerifier() = default;

void SignatureVerifier::update(const char* data, std::size_t size) noexcept
{
    crypto_sign_update(&m_state->sign, reinterpret_cast<const unsigned char*>(data), size);
}

bool SignatureVerifier::verify(QByteArrayView signature)
{
    if (signature.size() != crypto_sign_BYTES)
        return false;
    return crypto_sign_final_verify(&m_state->sign, bytes(signature), bytes(m_publicKey)) == 0;
}

} // namespace platform
