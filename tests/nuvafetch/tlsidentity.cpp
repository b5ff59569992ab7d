#include "tlsidentity.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

template <auto Free> struct Deleter {
    template <typename T> void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO_free>>;

void require(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("TLS identity: ") + what);
}

void addExtension(X509* certificate, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    require(extension && X509_add_ext(certificate, extension.get(), -1) == 1, "extension");
}

std::string pem(const std::function<int(BIO*)>& write)
{
    Bio bio(BIO_new(BIO_s_mem()));
    require(bio && write(bio.get()) == 1, "PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

} // namespace

TlsIdentity TlsIdentity::make(const std::string& subjectAltName)
{
    Key key(EVP_EC_gen("P-256"));
    require(key != nullptr, "key");
    Certificate certificate(X509_new());
    X509* x = certificate.get();
    X509_set_version(x, 2);
    static long serial = 1;
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 24 * 3600);
    X509_set_pubkey(x, key.get());
    X509_NAME* name = X509_get_subject_name(x);
    const auto* commonName = reinterpret_cast<const unsigned char*>("Nuvafetch test server");
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, commonName, -1, -1, 0);
    X509_set_issuer_name(x, name);
    addExtension(x, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(x, NID_subject_alt_name, subjectAltName);
    require(X509_sign(x, key.get(), EVP_sha256()) > 0, "signature");

    TlsIdentity identity;
    identity.certificatePem = pem([&](BIO* bio) { return PEM_write_bio_X509(bio, x); });
    identity.keyPem = pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    return identity;
}
