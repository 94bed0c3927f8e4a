// Rules for the files the tool and its remapper are handed to read: only a
// regular file is ever opened, and a name quoted in a message stays short.
#pragma once

#include <cstddef>
#include <string>

// Empty when `path` names a regular file (a link is followed); otherwise why
// it will not be read: "it does not exist", "it is a folder", or "it is not a
// regular file" (a pipe, a device, a socket: opening one can block forever,
// and reading one never ends). Nothing is opened.
std::string regularFileProblem(const std::string& path);

// `name` for a message: unchanged when it has at most `limit` bytes, otherwise
// its start and end around a note of how many bytes were left out, so that a
// name of megabytes cannot make a message of megabytes. Cuts never split a
// UTF-8 sequence.
std::string shortenedName(const std::string& name, size_t limit = 200);
