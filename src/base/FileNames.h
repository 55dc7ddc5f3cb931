// File names as the program keeps them: UTF-8, whatever the system's code
// page.  Everything that opens, replaces, deletes or lists a file goes through
// these, which hand the name to the system's Unicode calls, so a folder named
// in any script works ("Почта Ωmega", a user name in CJK).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace vexil {

// The name as the standard library's path.  std::filesystem would read a
// plain string in the code page (byte by byte under mingw).
std::filesystem::path FilePath(const std::string& utf8);

// A path's text as the program keeps it.
std::string FileNameText(const std::filesystem::path& path);

// fopen through the wide C runtime call on Windows; errno as fopen leaves it.
std::FILE* OpenFile(const std::string& utf8, const char* mode);

// Removes a file (not a folder); false when there was none or it stays.
bool RemoveFile(const std::string& utf8);

}  // namespace vexil
