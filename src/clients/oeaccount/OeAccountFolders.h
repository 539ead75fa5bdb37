#pragma once
// The folders below a Windows Mail or Windows Live Mail store folder that hold account files.

#include <string>

// A folder name for a new account below storeDirectory (which ends with a backslash), ending
// with a backslash: the account name without the characters a file name cannot hold (" * / : < >
// ? \ | and control characters), with " (1)", " (2)" ... appended while a folder (or a file)
// of that name exists.
std::string UniqueAccountFolder(const std::string& storeDirectory, const std::string& accountName);

// Deletes the folder with everything in it, depth first, each file and folder after its
// attributes were set to normal; a folder goes only when everything in it could be deleted.
// Failures are not reported: whatever could not be deleted stays.
void DeleteFolderTree(const std::string& folder);
