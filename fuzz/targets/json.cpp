// JSON of the Mozilla stores: any bytes are read or refused with EJsonError; what the writer
// writes reads back and writes again byte for byte; and any text made a string or a member name
// is escaped so that it reads back as that text.

#include "FormatTarget.h"

#include "clients/mozilla/Json.h"

namespace {

void RequireTextRoundTrips(std::string_view input) {
    const std::string text(input.substr(0, 512));
    const auto number = static_cast<std::int64_t>(std::hash<std::string>{}(text));
    TJsonValue list = TJsonValue::Array();
    list.Items().push_back(TJsonValue::Object());
    list.Items().front().Set(text, TJsonValue::String(text));
    list.Items().push_back(TJsonValue::Integer(number));
    const std::string written = WriteJson(list);
    TJsonValue back;
    try {
        back = ParseJson(written);
    } catch (const EJsonError& error) {
        harness::Require(false, std::string("a made text does not read back: ") + error.what());
    }
    harness::Require(back.Items().size() == 2 && back.Items()[0].Members().size() == 1 &&
                         back.Items()[0].Members()[0].first == text &&
                         back.Items()[0].Members()[0].second.Text() == text,
                     "a made string or name does not read back as its text");
    harness::Require(back.Items()[1].Int64() == number, "a made number does not read back");
}

void Fuzz(std::string_view input) {
    RequireTextRoundTrips(input);
    TJsonValue first;
    try {
        first = ParseJson(input);
    } catch (const EJsonError&) {
        return;
    }
    const std::string written = WriteJson(first);
    TJsonValue second;
    try {
        second = ParseJson(written);
    } catch (const EJsonError& error) {
        harness::Require(false, std::string("what we wrote does not read back: ") + error.what());
    }
    harness::Require(WriteJson(second) == written,
                     "what we wrote is not written again byte for byte");
}

// The value as written back, compact; or the error with the line it stands in.
std::string Describe(const std::string& bytes, const std::string& fileName) {
    try {
        return WriteJson(ParseJson(bytes)) + "\n";
    } catch (const EJsonError& error) {
        return "error: " + fileName + ", " + error.what();
    }
}

const harness::TRegistration Registered{{"json", ".json", &Fuzz, &Describe}};

} // namespace
