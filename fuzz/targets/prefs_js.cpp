// prefs.js: whatever the reader takes, the writer writes so that it reads back to the same
// statements and other lines (and writes again byte for byte); a name set twice is looked up as
// its last statement, as Mozilla applies them in order; statements joined on one line all read;
// the decoded text of a value survives escaping; a text stored the way the store stores it
// (escaped) can never end its statement or line: it reads back as that text; and a value given
// unescaped is refused or read back exactly.

#include "FormatTarget.h"

#include "clients/mozilla/MozillaPrefs.h"

#include <map>
#include <memory>

namespace {

bool SameContent(const TMozillaPrefsFile& a, const TMozillaPrefsFile& b) {
    if (a.Count() != b.Count() || a.OtherLines() != b.OtherLines()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Count(); ++i) {
        const TMozillaPreference& x = a.Item(i);
        const TMozillaPreference& y = b.Item(i);
        if (x.Name != y.Name || x.Kind != y.Kind || x.Value != y.Value) {
            return false;
        }
    }
    return true;
}

std::string Folded(std::string name) {
    for (char& c : name) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

// Every name finds the value of its last statement in the order held.
void RequireLastStatementsFound(const TMozillaPrefsFile& prefs) {
    std::map<std::string, const TMozillaPreference*> last;
    for (std::size_t i = 0; i < prefs.Count(); ++i) {
        last[Folded(prefs.Item(i).Name)] = &prefs.Item(i);
    }
    for (const auto& [name, preference] : last) {
        harness::Require(prefs.GetString(preference->Name) == preference->Value,
                         "\"" + preference->Name + "\" is not read from its last statement");
    }
}

std::unique_ptr<TMozillaPrefsFile> ReadBack(const std::string& written) {
    auto prefs = std::make_unique<TMozillaPrefsFile>();
    prefs->LoadFromText(written);
    return prefs;
}

// The input's text stored under a name of the file (its first statement's, so every kind is
// met) and under a new one; both read back as the text and nothing else changes.
void RequireStoredTextReadsBack(std::string_view input, TMozillaPrefsFile& prefs) {
    const std::string text(input.substr(0, 256));
    std::vector<std::string> names = {"quenlix.fuzz.text"};
    if (prefs.Count() > 0) {
        names.push_back(prefs.Item(0).Name);
    }
    for (const std::string& name : names) {
        const std::size_t count = prefs.Count() + (prefs.Exists(name) ? 0 : 1);
        prefs.SetString(name, MozillaEscapeString(text));
        const std::string written = prefs.SaveToText();
        const auto back = ReadBack(written);
        harness::Require(back->Count() == count && back->OtherLines() == prefs.OtherLines(),
                         "a stored text changes the statements around it");
        harness::Require(MozillaUnescapeString(back->GetString(name)) == text,
                         "a stored text does not read back under \"" + name + "\"");
    }
}

// The text a string value holds (its escapes decoded, as the store reads it) escaped again
// decodes to the same text.
void RequireDecodedTextsRoundTrip(const TMozillaPrefsFile& prefs) {
    for (std::size_t i = 0; i < prefs.Count() && i < 64; ++i) {
        const std::string text = MozillaUnescapeString(prefs.Item(i).Value);
        harness::Require(MozillaUnescapeString(MozillaEscapeString(text)) == text,
                         "the text of \"" + prefs.Item(i).Name + "\" does not survive escaping");
    }
}

// The statements of the written file joined on one line read as they did on their own lines, as
// Mozilla reads every statement of a line.
void RequireStatementsOfOneLineRead(const std::string& written, const TMozillaPrefsFile& prefs) {
    std::string joined;
    std::size_t line = 0;
    for (std::size_t start = 0; start < written.size(); ++line) {
        const std::size_t end = written.find("\r\n", start);
        const bool statement = line >= prefs.OtherLines().size();
        joined += written.substr(start, end - start) + (statement ? " " : "\r\n");
        start = end + 2;
    }
    harness::Require(SameContent(prefs, *ReadBack(joined)),
                     "statements on one line are read otherwise");
}

// The input's text given as it is (unescaped): refused with nothing changed, or read back as
// exactly that text.
void RequireRawTextRefusedOrReadBack(std::string_view input, TMozillaPrefsFile& prefs) {
    const std::string raw(input.substr(0, 128));
    const std::string before = prefs.SaveToText();
    try {
        prefs.SetString("quenlix.fuzz.raw", raw);
    } catch (const EMozillaPrefsError&) {
        harness::Require(prefs.SaveToText() == before, "a refused value changed the file");
        return;
    }
    const auto back = ReadBack(prefs.SaveToText());
    harness::Require(back->Exists("quenlix.fuzz.raw") && back->GetString("quenlix.fuzz.raw") == raw,
                     "a value taken unescaped ends its statement");
}

void Fuzz(std::string_view input) {
    TMozillaPrefsFile first;
    first.LoadFromText(input);
    RequireLastStatementsFound(first);
    RequireDecodedTextsRoundTrip(first);
    const std::string written = first.SaveToText();
    const auto second = ReadBack(written);
    harness::Require(SameContent(first, *second), "what we wrote reads back to other statements");
    RequireLastStatementsFound(*second);
    RequireStatementsOfOneLineRead(written, *second);
    harness::Require(ReadBack(written)->SaveToText() == written,
                     "what we wrote is not written again byte for byte");
    RequireStoredTextReadsBack(input, first);
    RequireRawTextRefusedOrReadBack(input, first);
}

// The file as written back (LF line ends), then, for each name held more than once, the value
// a look-up finds.
std::string Describe(const std::string& bytes, const std::string&) {
    TMozillaPrefsFile prefs;
    prefs.LoadFromText(bytes);
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < prefs.Count(); ++i) {
        ++seen[Folded(prefs.Item(i).Name)];
    }
    std::string out;
    for (const char c : prefs.SaveToText()) {
        if (c != '\r') {
            out += c;
        }
    }
    for (std::size_t i = 0; i < prefs.Count(); ++i) {
        const TMozillaPreference& p = prefs.Item(i);
        int& count = seen[Folded(p.Name)];
        if (count > 1) {
            count = 0; // once per name
            out += "look-up " + p.Name + ": " + prefs.GetString(p.Name) + "\n";
        }
    }
    return out;
}

const harness::TRegistration Registered{{"prefs_js", ".js", &Fuzz, &Describe}};

} // namespace
