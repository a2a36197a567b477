#include "XmlDoc.h"

#include <cstring>

namespace zv::onvif {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

const std::string kEmpty;

}  // namespace

// One pass over the text with an explicit stack of open elements.
class XmlParser {
public:
    XmlParser(const std::string& s, const XmlDoc::Limits& lim, XmlDoc& doc)
        : m_s(s), m_lim(lim), m_doc(doc) {}

    bool Run() {
        if (m_s.size() > m_lim.maxBytes) return Fail("document too large");
        if (m_s.compare(0, 3, "\xEF\xBB\xBF") == 0) m_p = 3;
        bool rootSeen = false;
        for (;;) {
            if (m_open.empty()) {
                // Outside the root: only white space, comments and PIs.
                while (m_p < m_s.size() && IsSpace(m_s[m_p])) ++m_p;
                if (m_p >= m_s.size()) return rootSeen ? true : Fail("no root element");
                if (At("<?")) {
                    if (!SkipPast("?>")) return Fail("unterminated processing instruction");
                } else if (At("<!--")) {
                    m_p += 4;
                    if (!SkipPast("-->")) return Fail("unterminated comment");
                } else if (At("<!")) {
                    return Fail("document type declarations are refused");
                } else if (m_s[m_p] == '<' && !At("</")) {
                    if (rootSeen) return Fail("content after the root element");
                    rootSeen = true;
                    if (!StartTag()) return false;
                } else {
                    return Fail("content outside the root element");
                }
                continue;
            }
            if (m_p >= m_s.size()) return Fail("unterminated element");
            Node& cur = m_doc.m_nodes[m_open.back().node];
            if (At("</")) {
                if (!EndTag()) return false;
            } else if (At("<!--")) {
                m_p += 4;
                if (!SkipPast("-->")) return Fail("unterminated comment");
            } else if (At("<![CDATA[")) {
                const size_t start = m_p + 9;
                const size_t end = m_s.find("]]>", start);
                if (end == std::string::npos) return Fail("unterminated CDATA");
                cur.text.append(m_s, start, end - start);
                m_p = end + 3;
            } else if (At("<?")) {
                if (!SkipPast("?>")) return Fail("unterminated processing instruction");
            } else if (At("<!")) {
                return Fail("declaration inside an element");
            } else if (m_s[m_p] == '<') {
                if (!StartTag()) return false;
            } else if (m_s[m_p] == '&') {
                if (!Reference(cur.text)) return false;
            } else {
                const size_t next = m_s.find_first_of("<&", m_p);
                const size_t end = next == std::string::npos ? m_s.size() : next;
                cur.text.append(m_s, m_p, end - m_p);
                m_p = end;
            }
        }
    }

    const std::string& Error() const { return m_error; }

private:
    using Node = XmlDoc::Node;
    struct Open {
        uint32_t node;
        std::string qname;
        size_t bindings;  // namespace bindings in force before this element
    };
    struct Binding {
        std::string prefix, uri;
    };

    bool Fail(const std::string& why) {
        if (m_error.empty()) m_error = why + " at byte " + std::to_string(m_p);
        return false;
    }
    bool At(const char* lit) const { return m_s.compare(m_p, std::strlen(lit), lit) == 0; }
    void SkipSpace() {
        while (m_p < m_s.size() && IsSpace(m_s[m_p])) ++m_p;
    }
    bool SkipPast(const char* lit) {
        const size_t at = m_s.find(lit, m_p);
        if (at == std::string::npos) return false;
        m_p = at + std::strlen(lit);
        return true;
    }
    bool Name(std::string& out) {
        const size_t start = m_p;
        if (m_p >= m_s.size() || !IsNameStart(m_s[m_p])) return Fail("name expected");
        while (m_p < m_s.size() && IsNameChar(m_s[m_p])) {
            if (m_p - start >= m_lim.maxName) return Fail("name too long");
            ++m_p;
        }
        out.assign(m_s, start, m_p - start);
        return true;
    }
    bool Reference(std::string& out) {
        const size_t semi = m_s.find(';', m_p);
        if (semi == std::string::npos || semi - m_p > 12) return Fail("bad reference");
        const std::string ref = m_s.substr(m_p + 1, semi - m_p - 1);
        m_p = semi + 1;
        if (ref == "lt") out += '<';
        else if (ref == "gt") out += '>';
        else if (ref == "amp") out += '&';
        else if (ref == "quot") out += '"';
        else if (ref == "apos") out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string digits = ref.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8) return Fail("bad character reference");
            unsigned long cp = 0;
            for (char c : digits) {
                int d;
                if (c >= '0' && c <= '9') d = c - '0';
                else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
                else return Fail("bad character reference");
                cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
                return Fail("bad character reference");
            AppendUtf8(out, cp);
        } else {
            return Fail("unknown entity");
        }
        return true;
    }
    bool AttributeValue(std::string& out) {
        if (m_p >= m_s.size() || (m_s[m_p] != '"' && m_s[m_p] != '\'')) return Fail("quote expected");
        const char q = m_s[m_p++];
        for (;;) {
            if (m_p >= m_s.size()) return Fail("unterminated attribute value");
            const char c = m_s[m_p];
            if (c == q) {
                ++m_p;
                return true;
            }
            if (c == '<') return Fail("'<' in attribute value");
            if (c == '&') {
                if (!Reference(out)) return false;
            } else {
                out += c;
                ++m_p;
            }
        }
    }
    static std::string Local(const std::string& qname) {
        const size_t colon = qname.find(':');
        return colon == std::string::npos ? qname : qname.substr(colon + 1);
    }
    bool Resolve(const std::string& qname, std::string& uri) {
        const size_t colon = qname.find(':');
        const std::string prefix = colon == std::string::npos ? std::string() : qname.substr(0, colon);
        if (prefix == "xml") {
            uri = "http://www.w3.org/XML/1998/namespace";
            return true;
        }
        for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it)
            if (it->prefix == prefix) {
                uri = it->uri;
                return true;
            }
        uri.clear();
        return prefix.empty() ? true : Fail("unbound namespace prefix " + prefix);
    }

    bool StartTag() {
        if (static_cast<int>(m_open.size()) >= m_lim.maxDepth) return Fail("too deep");
        if (m_doc.m_nodes.size() >= m_lim.maxNodes) return Fail("too many elements");
        ++m_p;  // '<'
        std::string qname;
        if (!Name(qname)) return false;
        const size_t scope = m_bindings.size();
        const uint32_t index = static_cast<uint32_t>(m_doc.m_nodes.size());
        const uint32_t parent = m_open.empty() ? XmlDoc::kNone : m_open.back().node;
        m_doc.m_nodes.emplace_back();
        Node n;
        n.parent = parent;
        n.firstAttr = static_cast<uint32_t>(m_doc.m_attrs.size());
        size_t count = 0;
        std::vector<std::string> seen;
        for (;;) {
            const size_t before = m_p;
            SkipSpace();
            if (m_p >= m_s.size()) return Fail("unterminated start tag");
            if (m_s[m_p] == '/' || m_s[m_p] == '>') break;
            if (m_p == before) return Fail("space expected before attribute");
            std::string aq, value;
            if (!Name(aq)) return false;
            SkipSpace();
            if (m_p >= m_s.size() || m_s[m_p] != '=') return Fail("'=' expected");
            ++m_p;
            SkipSpace();
            if (!AttributeValue(value)) return false;
            if (++count > m_lim.maxAttributes) return Fail("too many attributes");
            for (const std::string& o : seen)
                if (o == aq) return Fail("repeated attribute " + aq);
            seen.push_back(aq);
            const bool binding = aq == "xmlns" || aq.compare(0, 6, "xmlns:") == 0;
            if (binding && m_bindings.size() >= m_lim.maxBindings) return Fail("too many namespace bindings");
            if (aq == "xmlns") {
                m_bindings.push_back({"", value});
            } else if (aq.compare(0, 6, "xmlns:") == 0) {
                if (value.empty()) return Fail("empty namespace for a prefix");
                m_bindings.push_back({aq.substr(6), value});
            } else {
                m_doc.m_attrs.push_back({Local(aq), std::move(value)});
                ++n.attrCount;
            }
        }
        n.name = Local(qname);
        if (n.name.empty() || !Resolve(qname, n.ns)) return Fail("bad element name");
        m_doc.m_nodes[index] = std::move(n);
        if (parent != XmlDoc::kNone) {
            Node& p = m_doc.m_nodes[parent];
            if (p.lastChild == XmlDoc::kNone) p.firstChild = index;
            else m_doc.m_nodes[p.lastChild].next = index;
            p.lastChild = index;
        }
        if (m_s[m_p] == '/') {
            if (!At("/>")) return Fail("'/>' expected");
            m_p += 2;
            m_bindings.resize(scope);
            return true;
        }
        ++m_p;  // '>'
        m_open.push_back({index, std::move(qname), scope});
        return true;
    }

    bool EndTag() {
        m_p += 2;
        std::string end;
        if (!Name(end)) return false;
        if (end != m_open.back().qname)
            return Fail("end tag " + end + " does not match " + m_open.back().qname);
        SkipSpace();
        if (m_p >= m_s.size() || m_s[m_p] != '>') return Fail("'>' expected");
        ++m_p;
        m_bindings.resize(m_open.back().bindings);
        m_open.pop_back();
        return true;
    }

    const std::string& m_s;
    const XmlDoc::Limits& m_lim;
    XmlDoc& m_doc;
    size_t m_p = 0;
    std::vector<Open> m_open;
    std::vector<Binding> m_bindings;
    std::string m_error;
};

bool XmlDoc::Parse(const std::string& text, std::string* error) { return Parse(text, Limits{}, error); }

bool XmlDoc::Parse(const std::string& text, const Limits& limits, std::string* error) {
    m_nodes.clear();
    m_attrs.clear();
    XmlParser p(text, limits, *this);
    if (p.Run()) return true;
    if (error) *error = p.Error();
    m_nodes.clear();
    m_attrs.clear();
    return false;
}

const std::string& XmlNode::Name() const { return m_doc ? m_doc->m_nodes[m_index].name : kEmpty; }
const std::string& XmlNode::Ns() const { return m_doc ? m_doc->m_nodes[m_index].ns : kEmpty; }

std::string XmlNode::Value() const {
    if (!m_doc) return {};
    const std::string& t = m_doc->m_nodes[m_index].text;
    size_t b = 0, e = t.size();
    while (b < e && IsSpace(t[b])) ++b;
    while (e > b && IsSpace(t[e - 1])) --e;
    return t.substr(b, e - b);
}

XmlNode XmlNode::FirstChild() const {
    if (!m_doc) return {};
    const uint32_t c = m_doc->m_nodes[m_index].firstChild;
    return c == XmlDoc::kNone ? XmlNode() : XmlNode(m_doc, c);
}

XmlNode XmlNode::Next() const {
    if (!m_doc) return {};
    const uint32_t n = m_doc->m_nodes[m_index].next;
    return n == XmlDoc::kNone ? XmlNode() : XmlNode(m_doc, n);
}

XmlNode XmlNode::Next(const char* name) const {
    for (XmlNode n = Next(); n; n = n.Next())
        if (n.Name() == name) return n;
    return {};
}

XmlNode XmlNode::Child(const char* name) const {
    for (XmlNode n = FirstChild(); n; n = n.Next())
        if (n.Name() == name) return n;
    return {};
}

XmlNode XmlNode::Path(std::initializer_list<const char*> names) const {
    XmlNode n = *this;
    for (const char* name : names) {
        if (!n) break;
        n = n.Child(name);
    }
    return n;
}

XmlNode XmlNode::Find(const char* name) const {
    if (!m_doc) return {};
    // Document order: the nodes below this one are the next ones in the
    // array up to the first that is not a descendant.
    const auto& nodes = m_doc->m_nodes;
    for (uint32_t i = m_index + 1; i < nodes.size(); ++i) {
        uint32_t p = nodes[i].parent;
        while (p != XmlDoc::kNone && p > m_index) p = nodes[p].parent;
        if (p != m_index) break;
        if (nodes[i].name == name) return XmlNode(m_doc, i);
    }
    return {};
}

const std::string* XmlNode::Attr(const char* name) const {
    if (!m_doc) return nullptr;
    const auto& n = m_doc->m_nodes[m_index];
    for (uint32_t i = 0; i < n.attrCount; ++i) {
        const auto& a = m_doc->m_attrs[n.firstAttr + i];
        if (a.name == name) return &a.value;
    }
    return nullptr;
}

size_t XmlNode::ChildCount() const {
    size_t n = 0;
    for (XmlNode c = FirstChild(); c; c = c.Next()) ++n;
    return n;
}

std::string XmlEscape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace zv::onvif
