#pragma once
// signons.txt: remembered server passwords, Base64-encoded behind a "~" marker.
//
//   #2c                      header
//   .                        end of the (empty) rejected-sites list
//   scheme://user@host       per entry, "@" in the user written as "%40"
//   \=username=\             field name of the user name
//   ~                        Base64 of the user-name field value
//   *\=password=\            field name of the password
//   ~<Base64 of password>
//   .
//
// Later layouts add lines to each entry after the password value: "#2d" the address of the form
// the login came from, "#2e" also a filler line ("---"). A file keeps the header it was read
// with, and new entries take its layout; a new file is "#2c".
//
// Entries this reader does not understand (encrypted values, foreign fields, a block cut short)
// are kept as they were read and written back in their place, so rewriting the file for one
// password never loses another.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class EMozillaPasswordsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMozillaPassword {
public:
    std::string User; // plain form, "@" not escaped
    std::string Host;
    std::string Password;
    std::string Scheme; // "mailbox", "imap" or "smtp"
};

class TMozillaPasswordsFile {
public:
    // Reads the file when it exists; a missing or unreadable file gives no entries. Never raises
    // because of the file's content.
    explicit TMozillaPasswordsFile(std::string fileName);
    // The entries of the given text (bytes in); the file name is where WritePasswords writes.
    TMozillaPasswordsFile(std::string fileName, std::string_view bytes);
    TMozillaPasswordsFile(const TMozillaPasswordsFile&) = delete;
    TMozillaPasswordsFile& operator=(const TMozillaPasswordsFile&) = delete;

    // Scheme, user and host compare without case; empty when there is no entry.
    std::string GetPassword(const std::string& scheme, const std::string& user,
                            const std::string& host) const;
    // Replaces the password of an existing entry in its place or appends a new entry, then
    // writes the file at once. Write errors propagate.
    void SetPassword(const std::string& scheme, const std::string& user,
                     const std::string& password, const std::string& host);
    // The same change in memory only; WritePasswords writes it (several changes, one write).
    // The format has no escapes: a scheme, user or host with a line break (or a scheme holding
    // "://") would forge lines of its own, and raises EMozillaPasswordsError, changing nothing.
    void ChangePassword(const std::string& scheme, const std::string& user,
                        const std::string& password, const std::string& host);
    // Writes every entry in order, replacing the file atomically.
    void WritePasswords() const;
    // The bytes WritePasswords writes.
    std::string ToText() const;

    const std::string& FileName() const { return FileName_; }
    std::size_t Count() const { return Entries_.size(); }
    const TMozillaPassword& Entry(std::size_t index) const { return *Entries_.at(index); }
    // Number of blocks kept verbatim because they could not be read as entries.
    std::size_t KeptBlockCount() const;

private:
    struct TBlock {
        std::unique_ptr<TMozillaPassword> Entry; // empty for a block kept verbatim
        // Verbatim lines without the closing "."; for an entry, lines 2 to 4 (the field names and
        // the user-name value) and those after the password are written back as read.
        std::vector<std::string> Lines;
    };

    void Read(std::string_view text);
    void AddBlock(std::vector<std::string> lines);
    void AddEntry(TBlock block);
    static std::string Key(const std::string& scheme, const std::string& user,
                           const std::string& host);

    std::string FileName_;
    std::string Header_ = "#2c";
    std::vector<std::string> RejectedSites_;
    std::vector<TBlock> Blocks_;
    std::vector<TMozillaPassword*> Entries_;
    std::unordered_map<std::string, TMozillaPassword*> Index_; // lower-case key -> first entry
};
