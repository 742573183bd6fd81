// The shared benchmark documents, generated once into the data directory and reused by every
// benchmark that parses or loads them, so that all of them measure the same bytes.
#pragma once

#include <cstddef>
#include <string>

// --data-dir=DIR from the command line, or "bench-data"; the directory is created.
std::string BenchDataDir(int argc, char** argv);

// About 100 MB of UTF-8: nested order records with attributes, text with entity and character
// references, accented and CJK text, comments and CDATA sections. Returns the file's path.
std::string BenchDocument(const std::string& aDataDir);

// Millions of short empty elements with four or five attributes each, for the attribute path.
std::string BenchAttributeDocument(const std::string& aDataDir);

// Hostile documents for the document window's focus path. One element (with two attributes)
// whose name has kHugeNameLength characters; every other name is short.
inline constexpr size_t kHugeNameLength = 10u * 1024u * 1024u;
std::string BenchHugeNameDocument(const std::string& aDataDir);
// One element named "bomb" whose text (and "note" attribute) comes from nested entity
// references: a 1 MB file whose element text expands to about 5.9 million characters.
std::string BenchAmplifiedDocument(const std::string& aDataDir);
