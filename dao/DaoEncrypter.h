#pragma once
// What a component offers to encode and decode the texts a table stores: the two
// string properties the table looks for when it opens.

#include <string>

namespace zalvert {

class IDaoEncrypter {
  public:
    virtual ~IDaoEncrypter() = default;
    // Writing the plain text makes the encoded one readable, and the other way.
    virtual void SetDecodedString(const std::string& text) = 0;
    virtual std::string EncodedString() const = 0;
    virtual void SetEncodedString(const std::string& text) = 0;
    virtual std::string DecodedString() const = 0;
};

}  // namespace zalvert
