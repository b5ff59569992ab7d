#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <optional>

namespace platform {

/// Ed25519 in its pre-hashed form (Ed25519ph): a file of any size is signed
/// and verified as a stream of pieces, never held whole in memory.
inline constexpr int publicKeyBytes = 32;
inline constexpr int secretKeyBytes = 64;
inline constexpr int signatureBytes = 64;

/// Exactly n bytes of strict base64 (white space and line ends around it
/// allowed), or nothing for anything else.
std::optional<QByteArray> decodeBase64Exactly(QByteArrayView text, int n);

struct KeyPair {
    QByteArray publicKey; ///< publicKeyBytes
    QByteArray secretKey; ///< secretKeyBytes; holds the public key too
};
/// A fresh pair from the system's random source.
KeyPair generateKeyPair();
/// The public half held in a secret key; nothing when the key is malformed.
std::optional<QByteArray> publicKeyOf(QByteArrayView secretKey);

/// Signs a stream: update() with each piece in order, then signature().
class Signer {
public:
    /// secretKey must be secretKeyBytes long (platform::Error 5 otherwise).
    explicit Signer(QByteArrayView secretKey);
    ~Signer();
    Signer(const Signer&) = delete;
    Signer& operator=(const Signer&) = delete;

    void update(const char* data, std::size_t size);
    /// The signature of everything given (signatureBytes); ends the stream.
    QByteArray signature();

private:
    struct State;
    std::unique_ptr<State> m_state;
    QByteArray m_secretKey;
};

/// Verifies a stream against a public key: update() with each piece in
/// order, then verify() with the signature.
class SignatureVerifier {
public:
    /// publicKey must be publicKeyBytes long (platform::Error 5 otherwise).
    explicit SignatureVerifier(QByteArrayView publicKey);
    ~SignatureVerifier();
    SignatureVerifier(const SignatureVerifier&) = delete;
    SignatureVerifier& operator=(const SignatureVerifier&) = delete;

    /// Never throws, so it may be fed from a transfer's C callback.
    void update(const char* data, std::size_t size) noexcept;
    /// True only when signature was made over exactly the bytes given, by
    /// the secret key of this public key. Ends the stream.
    bool verify(QByteArrayView signature);

private:
    struct State;
    std::unique_ptr<State> m_state;
    QByteArray m_publicKey;
};

} // namespace platform
