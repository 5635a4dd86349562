// File-name routines of KorTools.
// A path is split at its last directory delimiter: "\" and ":" everywhere, and "/" as well
// in the POSIX build, where "/" is what the file system itself uses.
// Nothing here touches the disk or normalises a path (no case change, no "." or "..").
#pragma once

#include <string>
#include <string_view>

namespace tolvane {

#ifdef _WIN32
inline constexpr std::string_view kPathDelimiters = "\\:";
#else
inline constexpr std::string_view kPathDelimiters = "\\:/";
#endif

// The part of path up to and including its last delimiter; empty when it has none.
std::string ExtractFilePath(std::string_view path);

// The part of path after its last delimiter.
std::string ExtractFileName(std::string_view path);

// From the last "." after the last delimiter, inclusive; empty when there is none.
std::string ExtractFileExt(std::string_view path);

// path itself when its file name has an extension (a lone "." counts), else path + extension
// (".exe": a worker named "worker" is the program worker.exe, as Windows reads a command line).
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

// Completes name to a full file name:
//   directory: name's directory part, else the directory of executable_path;
//   base name: name's file name without extension, else executable_path's file name without it;
//   extension: name's extension (a lone "." counts), else "." + default_ext minus one leading ".".
// Example, executable C:\svc\watch.exe: "" -> C:\svc\watch.ini, "Tolvane.ini" -> C:\svc\Tolvane.ini.
std::string CompleteFileName(std::string_view name, std::string_view default_ext, std::string_view executable_path);

}  // namespace tolvane
