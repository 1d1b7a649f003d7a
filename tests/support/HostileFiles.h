// Hostile inputs the tests of several folders put where the system expects its files: deeply
// nested property lists, FIFOs, and a byte-for-byte picture of a folder to prove it unchanged.
#pragma once

#include <map>
#include <string>

namespace testsupport {

// An XML property list of depth nested arrays.
std::string deepXmlPropertyList(int depth);
// A binary property list of depth nested arrays; with fanOut 2 each array holds its inner
// array twice (a small file standing for 2^depth values).
std::string deepBinaryPropertyList(int depth, int fanOut = 1);
// Makes a FIFO at path (replacing what is there); false when it cannot.
bool makeFifo(const std::string& path);
// Writes bytes to path, replacing the file.
bool writeFile(const std::string& path, const std::string& bytes);
// Every entry below folder (links not followed) with its type, mode and, for files, bytes;
// links show their target. Two equal pictures mean nothing below folder was written.
std::map<std::string, std::string> folderPicture(const std::string& folder);

}  // namespace testsupport
