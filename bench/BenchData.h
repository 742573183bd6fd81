// The shared benchmark documents, generated once into the data directory and reused by every
// benchmark that parses or loads them, so that all of them measure the same bytes.
#pragma once

#include <string>

// --data-dir=DIR from the command line, or "bench-data"; the directory is created.
std::string BenchDataDir(int argc, char** argv);

// About 100 MB of UTF-8: nested order records with attributes, text with entity and character
// references, accented and CJK text, comments and CDATA sections. Returns the file's path.
std::string BenchDocument(const std::string& aDataDir);

// Millions of short empty elements with four or five attributes each, for the attribute path.
std::string BenchAttributeDocument(const std::string& aDataDir);
