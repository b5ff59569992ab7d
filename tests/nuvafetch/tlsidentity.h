#pragma once

#include <string>

/// A key and a self-signed certificate made on the spot, for the local
/// HTTPS server. The certificate is its own authority: a client trusts the
/// server by trusting certificatePem.
struct TlsIdentity {
    std::string certificatePem;
    std::string keyPem;

    /// A fresh identity for subjectAltName, e.g. "IP:127.0.0.1" or
    /// "DNS:updates.invalid".
    static TlsIdentity make(const std::string& subjectAltName);
};
