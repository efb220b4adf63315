#include "authenticode.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "src/package/pe_checksum.h"

namespace nflash {
namespace {

template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T* p) const { Free(p); }
};
using Pkcs7 = std::unique_ptr<PKCS7, Freer<PKCS7_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO_free_all>>;
using DigestInfo = std::unique_ptr<X509_SIG, Freer<X509_SIG_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX_free>>;

// WIN_CERTIFICATE: dwLength, wRevision, wCertificateType, then the PKCS#7.
constexpr std::size_t kCertificateHeader = 8;
constexpr std::uint32_t kRevision2 = 0x0200;
constexpr std::uint32_t kPkcsSignedData = 0x0002;
constexpr char kSpcIndirectData[] = "1.3.6.1.4.1.311.2.1.4";

std::uint32_t Le32(std::span<const std::uint8_t> f, std::size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
std::uint32_t Le16(std::span<const std::uint8_t> f, std::size_t at) { return f[at] | f[at + 1] << 8; }

SignatureCheck Refused(std::string problem) {
    SignatureCheck check;
    check.state = SignatureCheck::State::Refused;
    check.problem = std::move(problem);
    return check;
}

std::string NameText(const X509_NAME* name) {
    Bio out(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_RFC2253);
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

// The signed content: SpcIndirectDataContent, a SEQUENCE of the data's
// description and the DigestInfo. Authenticode signs the SEQUENCE's
// contents without its own tag and length.
struct IndirectData {
    std::span<const std::uint8_t> contents;
    DigestInfo digest;
};

std::optional<IndirectData> ReadIndirectData(PKCS7* p7) {
    if (!PKCS7_type_is_signed(p7) || p7->d.sign->contents == nullptr) return std::nullopt;
    PKCS7* inner = p7->d.sign->contents;
    char oid[64] = {};
    OBJ_obj2txt(oid, sizeof oid, inner->type, 1);
    if (std::string(oid) != kSpcIndirectData || inner->d.other == nullptr ||
        inner->d.other->type != V_ASN1_SEQUENCE) {
        return std::nullopt;
    }
    const ASN1_STRING* der = inner->d.other->value.sequence;
    const unsigned char* at = ASN1_STRING_get0_data(der);
    const unsigned char* end = at + ASN1_STRING_length(der);
    long length = 0;
    int tag = 0;
    int cls = 0;
    if (ASN1_get_object(&at, &length, &tag, &cls, end - at) & 0x80 || tag != V_ASN1_SEQUENCE) return std::nullopt;
    IndirectData data;
    data.contents = std::span(at, static_cast<std::size_t>(length));
    const unsigned char* element = at;
    long elementLength = 0;
    if (ASN1_get_object(&element, &elementLength, &tag, &cls, end - element) & 0x80) return std::nullopt;
    element += elementLength;  // past the data's description
    data.digest.reset(d2i_X509_SIG(nullptr, &element, end - element));
    if (!data.digest) return std::nullopt;
    return data;
}

// The file's Authenticode digest: every byte up to the certificate table
// but the CheckSum field and the table's directory entry.
std::vector<std::uint8_t> FileDigest(std::span<const std::uint8_t> file, const EVP_MD* md, std::size_t checksumAt,
                                     std::size_t entryAt, std::size_t tableAt) {
    DigestContext context(EVP_MD_CTX_new());
    EVP_DigestInit_ex(context.get(), md, nullptr);
    EVP_DigestUpdate(context.get(), file.data(), checksumAt);
    EVP_DigestUpdate(context.get(), file.data() + checksumAt + 4, entryAt - checksumAt - 4);
    EVP_DigestUpdate(context.get(), file.data() + entryAt + 8, tableAt - entryAt - 8);
    std::vector<std::uint8_t> digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest.data(), &length);
    digest.resize(length);
    return digest;
}

// The signer's signature over the signed attributes, and the attributes'
// message digest over the content: OpenSSL's own verification, fed the
// content itself (PKCS7_verify would ask for it as plain data).
X509* VerifiedSigner(PKCS7* p7, std::span<const std::uint8_t> contents) {
    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(p7);
    if (signers == nullptr || sk_PKCS7_SIGNER_INFO_num(signers) != 1) return nullptr;
    PKCS7_SIGNER_INFO* info = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    X509* cert = X509_find_by_issuer_and_serial(p7->d.sign->cert, info->issuer_and_serial->issuer,
                                                info->issuer_and_serial->serial);
    if (cert == nullptr) return nullptr;
    BIO* content = BIO_new_mem_buf(contents.data(), static_cast<int>(contents.size()));
    Bio chain(PKCS7_dataInit(p7, content));
    if (!chain) {
        BIO_free(content);
        return nullptr;
    }
    char sink[4096];
    while (BIO_read(chain.get(), sink, sizeof sink) > 0) {
    }
    return PKCS7_signatureVerify(chain.get(), p7, info, cert) == 1 ? cert : nullptr;
}

}  // namespace

SignatureCheck CheckAuthenticode(std::span<const std::uint8_t> file) {
    const auto entryAt = pkg::PeCertificateEntryOffset(file);
    const auto checksumAt = pkg::PeChecksumOffset(file);
    if (!entryAt || !checksumAt) return {};
    const std::size_t tableAt = Le32(file, *entryAt);
    const std::size_t tableSize = Le32(file, *entryAt + 4);
    if (tableAt == 0 && tableSize == 0) return {};
    // Bytes after the table would be covered by nothing: refuse them.
    if (tableAt < *entryAt + 8 || tableSize < kCertificateHeader || tableAt + tableSize != file.size()) {
        return Refused("its certificate table does not end the file: bytes outside the signature's digest");
    }
    const std::size_t length = Le32(file, tableAt);
    if (length < kCertificateHeader || length > tableSize || Le16(file, tableAt + 4) != kRevision2 ||
        Le16(file, tableAt + 6) != kPkcsSignedData) {
        return Refused("its certificate table holds no Authenticode signature it can read");
    }
    const unsigned char* der = file.data() + tableAt + kCertificateHeader;
    Pkcs7 p7(d2i_PKCS7(nullptr, &der, static_cast<long>(length - kCertificateHeader)));
    std::optional<IndirectData> indirect = p7 ? ReadIndirectData(p7.get()) : std::nullopt;
    if (!indirect) return Refused("its Authenticode signature cannot be read (not a PKCS#7 Authenticode signature)");

    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* digest = nullptr;
    X509_SIG_get0(indirect->digest.get(), &algorithm, &digest);
    const EVP_MD* md = EVP_get_digestbyobj(algorithm->algorithm);
    if (md == nullptr) return Refused("its Authenticode signature uses a digest algorithm this program does not know");
    const std::vector<std::uint8_t> actual = FileDigest(file, md, *checksumAt, *entryAt, tableAt);
    const std::span<const std::uint8_t> claimed(ASN1_STRING_get0_data(digest),
                                                static_cast<std::size_t>(ASN1_STRING_length(digest)));
    if (!std::equal(actual.begin(), actual.end(), claimed.begin(), claimed.end())) {
        return Refused("its bytes do not match its Authenticode signature: it was changed after it was signed");
    }
    X509* signer = VerifiedSigner(p7.get(), indirect->contents);
    if (signer == nullptr) return Refused("its Authenticode signature does not verify against its own certificate");
    SignatureCheck check;
    check.state = SignatureCheck::State::Matches;
    check.signer = NameText(X509_get_subject_name(signer));
    check.issuer = NameText(X509_get_issuer_name(signer));
    check.digest = OBJ_nid2ln(EVP_MD_get_type(md));
    return check;
}

}  // namespace nflash
