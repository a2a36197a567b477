// A small XML reader for the web-service requests: text in, a tree of
// elements with namespaces resolved out, or an error. It reads what SOAP
// clients send (declaration, comments, processing instructions, CDATA,
// the predefined and numeric character references) and refuses the rest —
// document type declarations above all, so no entity can expand. Depth,
// element and attribute counts and name lengths are bounded.
// The simulator keeps this reader (and its HTTP one) apart from the network
// library's on purpose: as the library's independent counterpart in the
// tests, it must not share the library's bugs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zv::devsim {

struct XmlAttribute {
    std::string ns;  // namespace URI; empty for an unprefixed attribute
    std::string name;
    std::string value;
};

struct XmlElement {
    std::string ns;    // namespace URI, empty if none
    std::string name;  // local name
    std::vector<XmlAttribute> attributes;
    std::string text;  // character data directly inside, concatenated
    std::vector<XmlElement> children;

    // First child with that local name (and namespace, when one is given).
    const XmlElement* Child(const std::string& name) const;
    const XmlElement* Child(const std::string& ns, const std::string& name) const;
    // First element with that local name at any depth below, or null.
    const XmlElement* Find(const std::string& name) const;
    // Attribute by local name (any namespace), or null.
    const std::string* Attribute(const std::string& name) const;
    // Text with surrounding white space removed.
    std::string Value() const;
};

class XmlReader {
public:
    struct Limits {
        int maxDepth = 32;
        size_t maxElements = 4096;
        size_t maxAttributes = 32;  // per element, namespace declarations included
        size_t maxName = 256;
    };

    // Parses a whole document; false with a short reason in error.
    static bool Parse(const std::string& text, XmlElement& root, std::string* error);
    static bool Parse(const std::string& text, XmlElement& root, std::string* error,
                      const Limits& limits);
};

// Text and attribute values escaped for writing.
std::string XmlEscape(const std::string& s);

}  // namespace zv::devsim
