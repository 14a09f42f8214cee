#pragma once
// The SHA-256 of a whole file, worked out on a thread of its own while the file's
// lines are read: on two cores the hash then costs no time of the import.

#include <future>
#include <string>

namespace zalvert {

// The lower-case hex SHA-256 of the file at `path`; get() raises EInOutError
// naming the file when it cannot be read.
std::future<std::string> HashFileAside(const std::string& path);

}  // namespace zalvert
