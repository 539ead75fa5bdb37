#pragma once
// The .reg text of a hive, as regedit exports it ("Windows Registry Editor Version 5.00": UTF-16LE
// with BOM, CRLF, hex data wrapped at 80 columns) and as older or hand-written files have it
// (UTF-8 with or without BOM, "REGEDIT4", "; comments" on their own lines or after a value).

#include "platform/RegKey.h"
#include "platform/System.h"

#include <string>

namespace platform::reg {

// A .reg text that cannot be read; the message names the file and the line.
class ERegFileError : public ESystemError {
public:
    using ESystemError::ESystemError;
};

// Reads the text into root, the root key of the hive named rootName ("HKEY_CURRENT_USER").
// Keys of HKEY_CLASSES_ROOT are taken into HKEY_LOCAL_MACHINE\Software\Classes. Stops at the
// first fault with ERegFileError; root is then half-filled and must be thrown away.
void ParseRegFile(const std::string& bytes, const std::string& fileName,
                  const std::string& rootName, TRegKey& root);

// The hive as a regedit export: each key with its values, its subkeys after it in order.
std::string FormatRegFile(const TRegKey& root, const std::string& rootName);

} // namespace platform::reg
