// The Authenticode signature an updater file may carry (the certificate
// table of its PE header), checked against the file's bytes.
//
// What is checked: the table lies at the file's end and holds one PKCS#7
// SignedData of Authenticode's kind; the digest it signs equals the digest
// of the file (every byte but the CheckSum field, the certificate table's
// directory entry and the table itself); the signer's signature over that
// digest verifies with the certificate the signature carries. What is not:
// the certificate chain (no trust store is consulted, so anyone can make a
// signature that passes), revocation and time stamps. A match therefore says
// "unchanged since this signer signed it", never "this signer is the maker".
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace nflash {

struct SignatureCheck {
    enum class State { Unsigned, Matches, Refused };
    State state = State::Unsigned;
    std::string signer;  // the signing certificate's subject ("CN=..."), for Matches
    std::string issuer;
    std::string digest;   // the digest algorithm's name ("sha256")
    std::string problem;  // for Refused: what is wrong, to follow "the file"
};

SignatureCheck CheckAuthenticode(std::span<const std::uint8_t> file);

}  // namespace nflash
