// The device's answers as a small tree, read by element local names. A
// flat, non-recursive reader: nodes in one array linked by index, so a deep
// or wide document costs no stack and few allocations. It takes what SOAP
// servers send (declaration, comments, processing instructions, CDATA,
// predefined and numeric references, namespaces) and refuses document type
// declarations (nothing expands); depth, node and attribute counts,
// namespace bindings in scope and name lengths are bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zv::onvif {

class XmlDoc;

// A handle to one element of a document (or none); cheap to copy, valid
// while the document lives.
class XmlNode {
public:
    XmlNode() = default;
    explicit operator bool() const { return m_doc != nullptr; }

    const std::string& Name() const;  // local name
    const std::string& Ns() const;    // namespace URI, empty if none
    // Character data directly inside, white space at the ends removed.
    std::string Value() const;
    // First child element with that local name, or none.
    XmlNode Child(const char* name) const;
    // First child element, and the next sibling (with that name, or any).
    XmlNode FirstChild() const;
    XmlNode Next() const;
    XmlNode Next(const char* name) const;
    // Children path: Path({"a", "b"}) is Child("a").Child("b").
    XmlNode Path(std::initializer_list<const char*> names) const;
    // First element below (any depth, document order) with that local name.
    XmlNode Find(const char* name) const;
    // Attribute by local name (any prefix), or null.
    const std::string* Attr(const char* name) const;
    size_t ChildCount() const;

private:
    friend class XmlDoc;
    XmlNode(const XmlDoc* d, uint32_t i) : m_doc(d), m_index(i) {}
    const XmlDoc* m_doc = nullptr;
    uint32_t m_index = 0;
};

class XmlDoc {
public:
    struct Limits {
        int maxDepth = 64;
        size_t maxNodes = 50000;
        size_t maxAttributes = 64;  // per element, namespace declarations included
        // In scope at once: each element's name is looked up among them, so
        // a document's cost grows with their number.
        size_t maxBindings = 256;
        size_t maxName = 256;
        size_t maxBytes = 4 * 1024 * 1024;
    };

    // Parses a whole document; false with a short reason (the document is
    // then empty).
    bool Parse(const std::string& text, std::string* error = nullptr);
    bool Parse(const std::string& text, const Limits& limits, std::string* error = nullptr);

    XmlNode Root() const { return m_nodes.empty() ? XmlNode() : XmlNode(this, 0); }
    size_t NodeCount() const { return m_nodes.size(); }

private:
    friend class XmlNode;
    friend class XmlParser;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Node {
        std::string ns, name, text;
        uint32_t parent = kNone, firstChild = kNone, lastChild = kNone, next = kNone;
        uint32_t firstAttr = 0, attrCount = 0;
    };
    struct Attribute {
        std::string name, value;  // local name
    };
    std::vector<Node> m_nodes;
    std::vector<Attribute> m_attrs;
};

// Text and attribute values escaped for writing into a request.
std::string XmlEscape(const std::string& s);

}  // namespace zv::onvif
