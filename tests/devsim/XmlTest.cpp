// The XML reader of the web services and the value formats inside SOAP
// requests: namespaces resolved as clients declare them, references
// decoded, declarations and every bound refused, random input survived;
// times and durations read exactly.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "IsoTime.h"
#include "Xml.h"

using namespace zv::devsim;

namespace {

bool Parses(const std::string& text, std::string* error = nullptr) {
    XmlElement root;
    return XmlReader::Parse(text, root, error);
}

}  // namespace

TEST(Xml, ResolvesNamespacesAsDeclaredAndScoped) {
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- a client's comment -->\n"
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\">"
        "<s:Header><Security xmlns=\"urn:sec\" s:mustUnderstand=\"1\"><Token/></Security></s:Header>"
        "<s:Body xmlns:tt=\"urn:schema\">"
        "<ContinuousMove xmlns=\"urn:ptz\"><ProfileToken> profile_1 </ProfileToken>"
        "<Velocity><tt:PanTilt x=\"0.5\" y='-1'/></Velocity></ContinuousMove>"
        "</s:Body></s:Envelope>";
    XmlElement root;
    std::string error;
    ASSERT_TRUE(XmlReader::Parse(doc, root, &error)) << error;
    EXPECT_EQ(root.name, "Envelope");
    EXPECT_EQ(root.ns, "http://www.w3.org/2003/05/soap-envelope");
    const XmlElement* sec = root.Child(root.ns, "Header")->Child("urn:sec", "Security");
    ASSERT_NE(sec, nullptr);
    ASSERT_EQ(sec->attributes.size(), 1u);  // the xmlns declaration is not an attribute
    EXPECT_EQ(sec->attributes[0].ns, root.ns);
    EXPECT_EQ(sec->attributes[0].name, "mustUnderstand");
    EXPECT_EQ(sec->Child("Token")->ns, "urn:sec");  // default namespace inherited
    const XmlElement* op = &root.Child("Body")->children.at(0);
    EXPECT_EQ(op->ns, "urn:ptz");
    EXPECT_EQ(op->Child("ProfileToken")->Value(), "profile_1");
    const XmlElement* pt = op->Find("PanTilt");
    ASSERT_NE(pt, nullptr);
    EXPECT_EQ(pt->ns, "urn:schema");
    EXPECT_EQ(*pt->Attribute("x"), "0.5");
    EXPECT_EQ(*pt->Attribute("y"), "-1");
    EXPECT_EQ(pt->Attribute("z"), nullptr);
    EXPECT_EQ(root.Child("urn:other", "Body"), nullptr);
    // A prefix bound in one element is gone after it.
    EXPECT_FALSE(Parses("<a><b xmlns:p=\"u\"/><p:c/></a>"));
    EXPECT_TRUE(Parses("<a xmlns:p=\"u\"><b xmlns:p=\"v\"/><p:c/></a>"));
}

TEST(Xml, DecodesReferencesCdataAndSkipsCommentsInside) {
    XmlElement root;
    ASSERT_TRUE(XmlReader::Parse(
        "<t a=\"&lt;&amp;&quot;&#65;&#x42;\">x&gt;y<!--c--><![CDATA[<raw&>]]>&#x4e2d;<?pi?></t>",
        root, nullptr));
    EXPECT_EQ(*root.Attribute("a"), "<&\"AB");
    EXPECT_EQ(root.text, "x>y<raw&>\xE4\xB8\xAD");
    EXPECT_EQ(XmlEscape("<a href='x'>&\"</a>"),
              "&lt;a href=&apos;x&apos;&gt;&amp;&quot;&lt;/a&gt;");
}

TEST(Xml, RefusesWhatItDoesNotRead) {
    const char* bad[] = {
        "",
        "just text",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a x=1/>",
        "<a x=\"1\" x=\"2\"/>",
        "<a x=\"<\"/>",
        "<a>&unknown;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#x110000;</a>",
        "<a>&amp</a>",
        "<p:a/>",
        "<a xmlns:p=\"\"/>",
        "<a/><b/>",
        "<a/>trailing",
        "<a><!-- open",
        "<a><![CDATA[open</a>",
        "<a x=\"1\"y=\"2\"/>",
        "<1a/>",
        // No document type and no entity of one: nothing can expand.
        "<!DOCTYPE a [<!ENTITY x \"xx\">]><a>&x;</a>",
        "<a><!DOCTYPE b></a>",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(Parses(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(Xml, BoundsDepthCountsAndNames) {
    std::string deep;
    for (int i = 0; i < 33; ++i) deep += "<a>";
    for (int i = 0; i < 33; ++i) deep += "</a>";
    EXPECT_FALSE(Parses(deep));
    EXPECT_TRUE(Parses(deep.substr(3, deep.size() - 7)));  // 32 levels
    // A nest of unclosed elements a mile deep fails at the bound, not the stack.
    EXPECT_FALSE(Parses(std::string(300000, '<')));
    std::string deepOpen;
    for (int i = 0; i < 100000; ++i) deepOpen += "<a>";
    EXPECT_FALSE(Parses(deepOpen));
    std::string wide = "<r>";
    for (int i = 0; i < 5000; ++i) wide += "<e/>";
    EXPECT_FALSE(Parses(wide + "</r>"));
    std::string attrs = "<r";
    for (int i = 0; i < 40; ++i) attrs += " a" + std::to_string(i) + "=\"\"";
    EXPECT_FALSE(Parses(attrs + "/>"));
    EXPECT_FALSE(Parses("<" + std::string(300, 'n') + "/>"));
    XmlReader::Limits tight;
    tight.maxElements = 2;
    XmlElement root;
    EXPECT_FALSE(XmlReader::Parse("<a><b/><c/></a>", root, nullptr, tight));
    EXPECT_TRUE(XmlReader::Parse("<a><b/></a>", root, nullptr, tight));
}

TEST(Xml, RandomAndMutatedInputIsSurvived) {
    const std::string seed =
        "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"urn:s\" xmlns:t=\"urn:t\"><s:Header/>"
        "<s:Body><t:Op a=\"1&amp;2\">text<![CDATA[x]]><t:In b='c'>&#65;</t:In></t:Op></s:Body>"
        "</s:Envelope>";
    std::mt19937 rng(7);
    int parsed = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string s = seed;
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % (s.size() + 1);
            switch (rng() % 4) {
            case 0: if (at < s.size()) s[at] = "<>&;\"'=/:!?[]x#"[rng() % 15]; break;
            case 1: s.insert(at, 1, static_cast<char>(rng())); break;
            case 2: if (at < s.size()) s.erase(at, 1 + rng() % 10); break;
            case 3: s.insert(at, s.substr(rng() % s.size(), rng() % 40)); break;
            }
        }
        XmlElement root;
        std::string error;
        if (XmlReader::Parse(s, root, &error)) ++parsed;
        else EXPECT_FALSE(error.empty());
    }
    // Some mutations leave a document, most do not; neither may crash.
    EXPECT_GT(parsed, 0);
    EXPECT_LT(parsed, 5000);
}

TEST(SoapValues, DateTimesReadInUtcWithFractionsAndOffsets) {
    double t = 0;
    ASSERT_TRUE(ParseDateTime("1970-01-01T00:00:00Z", t));
    EXPECT_EQ(t, 0);
    ASSERT_TRUE(ParseDateTime("2024-02-29T12:34:56.789Z", t));
    EXPECT_NEAR(t, 1709210096.789, 1e-6);
    ASSERT_TRUE(ParseDateTime("2024-02-29T14:34:56+02:00", t));
    EXPECT_EQ(t, 1709210096);
    ASSERT_TRUE(ParseDateTime("2024-02-29T12:34:56", t));  // no zone: UTC
    EXPECT_EQ(t, 1709210096);
    EXPECT_EQ(FormatDateTime(1709210096.789), "2024-02-29T12:34:56.789Z");
    double back = 0;
    ASSERT_TRUE(ParseDateTime(FormatDateTime(1234567890.5), back));
    EXPECT_NEAR(back, 1234567890.5, 1e-6);
    const CivilTime c = ToCivil(1709210096);
    EXPECT_EQ(c.year, 2024);
    EXPECT_EQ(c.month, 2);
    EXPECT_EQ(c.day, 29);
    EXPECT_EQ(c.hour, 12);
    for (const char* bad : {"2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "1969-12-31T23:59:59Z",
                            "2024-01-01 00:00:00Z", "2024-01-01T24:00:00Z", "2024-01-01T00:00:00.Z",
                            "2024-01-01T00:00:00+2:00", "2024-01-01T00:00:00Zjunk", "",
                            "2024-01-01"})
        EXPECT_FALSE(ParseDateTime(bad, t)) << bad;
}

TEST(SoapValues, DurationsReadDaysToFractionalSeconds) {
    double s = 0;
    struct Case {
        const char* text;
        double seconds;
    };
    for (const Case& c : {Case{"PT5S", 5}, Case{"PT0.5S", 0.5}, Case{"PT1M30S", 90},
                          Case{"PT2H", 7200}, Case{"P1D", 86400}, Case{"P1DT1S", 86401},
                          Case{"PT0S", 0}}) {
        ASSERT_TRUE(ParseDuration(c.text, s)) << c.text;
        EXPECT_DOUBLE_EQ(s, c.seconds) << c.text;
    }
    for (const char* bad : {"P", "PT", "5S", "-PT5S", "PT5", "PT1S1M", "P1Y", "P1M", "PT1.S",
                            "PT.5S", "PT1.5M", "PT5S5S", "PT9999999999S", "P1DT"})
        EXPECT_FALSE(ParseDuration(bad, s)) << bad;
}
