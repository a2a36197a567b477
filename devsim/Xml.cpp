#include "Xml.h"

#include <cstring>
#include <utility>

namespace zv::devsim {

namespace {

const char* const kXmlNs = "http://www.w3.org/XML/1998/namespace";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

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

class Parser {
public:
    Parser(const std::string& text, const XmlReader::Limits& lim) : m_s(text), m_lim(lim) {}

    bool Document(XmlElement& root) {
        if (m_s.compare(0, 3, "\xEF\xBB\xBF") == 0) m_p = 3;
        if (!Misc()) return false;
        if (!At("<")) return Fail("no root element");
        if (!Element(root, 1)) return false;
        if (!Misc()) return false;
        if (m_p != m_s.size()) return Fail("content after the root element");
        return true;
    }

    const std::string& Error() const { return m_error; }

private:
    struct Binding {
        std::string prefix;
        std::string uri;
    };

    bool Fail(const std::string& why) {
        if (m_error.empty()) m_error = why + " at byte " + std::to_string(m_p);
        return false;
    }
    bool At(const char* lit) const { return m_s.compare(m_p, std::strlen(lit), lit) == 0; }
    void SkipSpace() {
        while (m_p < m_s.size() && IsSpace(m_s[m_p])) ++m_p;
    }
    // Moves past the next occurrence of lit; false if there is none.
    bool SkipPast(const char* lit) {
        const size_t at = m_s.find(lit, m_p);
        if (at == std::string::npos) return false;
        m_p = at + std::strlen(lit);
        return true;
    }

    // White space, comments and processing instructions around the root.
    bool Misc() {
        for (;;) {
            SkipSpace();
            if (At("<?")) {
                if (!SkipPast("?>")) return Fail("unterminated processing instruction");
            } else if (At("<!--")) {
                m_p += 4;
                if (!SkipPast("-->")) return Fail("unterminated comment");
            } else if (At("<!")) {
                return Fail("document type declarations are refused");
            } else {
                return true;
            }
        }
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

    // A character reference or predefined entity after '&'.
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

    bool Resolve(const std::string& prefix, std::string& uri) {
        if (prefix == "xml") {
            uri = kXmlNs;
            return true;
        }
        for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it)
            if (it->prefix == prefix) {
                uri = it->uri;
                return true;
            }
        if (prefix.empty()) {
            uri.clear();
            return true;
        }
        return Fail("unbound namespace prefix " + prefix);
    }

    static void Split(const std::string& qname, std::string& prefix, std::string& local) {
        const size_t colon = qname.find(':');
        if (colon == std::string::npos) {
            prefix.clear();
            local = qname;
        } else {
            prefix = qname.substr(0, colon);
            local = qname.substr(colon + 1);
        }
    }

    bool Element(XmlElement& out, int depth) {
        if (depth > m_lim.maxDepth) return Fail("too deep");
        if (++m_elements > m_lim.maxElements) return Fail("too many elements");
        ++m_p;  // '<'
        std::string qname;
        if (!Name(qname)) return false;
        const size_t scope = m_bindings.size();
        struct Raw {
            std::string qname, value;
        };
        std::vector<Raw> raw;
        for (;;) {
            const size_t before = m_p;
            SkipSpace();
            if (m_p >= m_s.size()) return Fail("unterminated start tag");
            if (m_s[m_p] == '/' || m_s[m_p] == '>') break;
            if (m_p == before) return Fail("space expected before attribute");
            Raw a;
            if (!Name(a.qname)) return false;
            SkipSpace();
            if (m_p >= m_s.size() || m_s[m_p] != '=') return Fail("'=' expected");
            ++m_p;
            SkipSpace();
            if (!AttributeValue(a.value)) return false;
            if (raw.size() >= m_lim.maxAttributes) return Fail("too many attributes");
            for (const Raw& o : raw)
                if (o.qname == a.qname) return Fail("repeated attribute " + a.qname);
            if (a.qname == "xmlns") {
                m_bindings.push_back({"", a.value});
            } else if (a.qname.compare(0, 6, "xmlns:") == 0) {
                if (a.value.empty()) return Fail("empty namespace for a prefix");
                m_bindings.push_back({a.qname.substr(6), a.value});
            }
            raw.push_back(std::move(a));
        }
        std::string prefix;
        Split(qname, prefix, out.name);
        if (out.name.empty() || !Resolve(prefix, out.ns)) return Fail("bad element name");
        for (Raw& a : raw) {
            if (a.qname == "xmlns" || a.qname.compare(0, 6, "xmlns:") == 0) continue;
            XmlAttribute attr;
            std::string ap;
            Split(a.qname, ap, attr.name);
            if (attr.name.empty()) return Fail("bad attribute name");
            if (!ap.empty() && !Resolve(ap, attr.ns)) return false;
            attr.value = std::move(a.value);
            out.attributes.push_back(std::move(attr));
        }

        if (m_s[m_p] == '/') {
            if (!At("/>")) return Fail("'/>' expected");
            m_p += 2;
            m_bindings.resize(scope);
            return true;
        }
        ++m_p;  // '>'
        for (;;) {
            if (m_p >= m_s.size()) return Fail("unterminated element " + qname);
            if (At("</")) {
                m_p += 2;
                std::string end;
                if (!Name(end)) return false;
                if (end != qname) return Fail("end tag " + end + " does not match " + qname);
                SkipSpace();
                if (m_p >= m_s.size() || m_s[m_p] != '>') return Fail("'>' expected");
                ++m_p;
                break;
            }
            if (At("<!--")) {
                m_p += 4;
                if (!SkipPast("-->")) return Fail("unterminated comment");
            } else if (At("<![CDATA[")) {
                const size_t start = m_p + 9;
                const size_t end = m_s.find("]]>", start);
                if (end == std::string::npos) return Fail("unterminated CDATA");
                out.text.append(m_s, start, end - start);
                m_p = end + 3;
            } else if (At("<?")) {
                if (!SkipPast("?>")) return Fail("unterminated processing instruction");
            } else if (At("<!")) {
                return Fail("declaration inside an element");
            } else if (m_s[m_p] == '<') {
                out.children.emplace_back();
                if (!Element(out.children.back(), depth + 1)) return false;
            } else if (m_s[m_p] == '&') {
                if (!Reference(out.text)) return false;
            } else {
                const size_t next = m_s.find_first_of("<&", m_p);
                const size_t end = next == std::string::npos ? m_s.size() : next;
                out.text.append(m_s, m_p, end - m_p);
                m_p = end;
            }
        }
        m_bindings.resize(scope);
        return true;
    }

    const std::string& m_s;
    const XmlReader::Limits& m_lim;
    size_t m_p = 0;
    size_t m_elements = 0;
    std::vector<Binding> m_bindings;
    std::string m_error;
};

}  // namespace

const XmlElement* XmlElement::Child(const std::string& n) const {
    for (const auto& c : children)
        if (c.name == n) return &c;
    return nullptr;
}

const XmlElement* XmlElement::Child(const std::string& uri, const std::string& n) const {
    for (const auto& c : children)
        if (c.name == n && c.ns == uri) return &c;
    return nullptr;
}

const XmlElement* XmlElement::Find(const std::string& n) const {
    for (const auto& c : children) {
        if (c.name == n) return &c;
        if (const XmlElement* d = c.Find(n)) return d;
    }
    return nullptr;
}

const std::string* XmlElement::Attribute(const std::string& n) const {
    for (const auto& a : attributes)
        if (a.name == n) return &a.value;
    return nullptr;
}

std::string XmlElement::Value() const {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool XmlReader::Parse(const std::string& text, XmlElement& root, std::string* error) {
    return Parse(text, root, error, Limits{});
}

bool XmlReader::Parse(const std::string& text, XmlElement& root, std::string* error,
                      const Limits& limits) {
    root = XmlElement{};
    Parser p(text, limits);
    if (p.Document(root)) return true;
    if (error) *error = p.Error();
    root = XmlElement{};
    return false;
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

}  // namespace zv::devsim
