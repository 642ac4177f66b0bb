#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tamsenor::io {

// Paths here are bytes, as the system keeps them: no name is changed or left
// out for not being valid UTF-8.

enum class EntryKind {
    File, // a regular file, or a link to one
    Directory, // a directory, or a link to one
};

// The names of the entries of `directory` of the given kind, unsorted, "."
// and ".." left out; names that start with "." only with `hidden`. Broken
// links, devices, pipes and sockets are of neither kind. nullopt, and the
// system's reason, when the directory cannot be listed.
std::optional<std::vector<std::string>> ListDirectory(
    const std::string& directory, EntryKind kind, bool hidden, std::string* reason = nullptr);

// The working folder. nullopt, and the reason, when the system cannot tell
// it (it was deleted, or it lies deeper than a path may be long): a relative
// path must then be refused, never taken from "/".
std::optional<std::string> CurrentDirectory(std::string* reason = nullptr);

// `path` with "." and ".." parts and repeated "/" resolved by the text alone,
// without a trailing "/" but at the root. Example: "/a/./b/../c/" -> "/a/c".
std::string CleanPath(const std::string& path);

// The folder part of `path`: "." for a bare name, "/" at the root.
// Example: "out/r.txt" -> "out"; "r.txt" -> "."; "/r.txt" -> "/".
std::string DirectoryOf(const std::string& path);

// `path` made absolute against the working folder, "." parts and repeated
// "/" left out, and ".." taken as the kernel takes it: the folder before it
// may be a link to somewhere else, so that part of the path is resolved by
// the kernel, never by its text. nullopt, and the reason, when it is
// relative and the working folder is unknown.
// Example: "L/../p.html" with L a link to /x/y -> "/x/p.html".
std::optional<std::string> AbsolutePath(const std::string& path, std::string* reason = nullptr);

// Creates `path` and every missing folder above it; false, and the reason,
// when one cannot be made or is no folder.
bool MakeDirectories(const std::string& path, std::string* reason = nullptr);

} // namespace tamsenor::io
