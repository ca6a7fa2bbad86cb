#pragma once

// Why the loader refused a file, in the file's own terms, for the command
// line to tell after the program's own message ("処理出来ないファイルです"):
// the format of the reader that knew the file and what that reader found
// wrong ("BMP: bit count 7 is not 1, 4, 8, 16, 24 or 32", "JPEG: Bogus DHT
// index 99", "GIF: Picture of 65535 x 65535 pixels needs 16.0 GB of memory;
// the limit is 2 GiB: --memory-limit").

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

// The format whose reader knows a file that starts with `head` (its first
// bytes) and is named `fileName`: "JPEG", "GIF" and "PNG" by their
// signatures, "BMP" by "BM", else "WMF" or "EMF" by the name's extension;
// empty when no reader does.
std::string FormatKnowing(const std::uint8_t* head, std::size_t size, const std::string& fileName);

// What `error`, thrown by the reader of `format`, says is wrong with the file:
// the fault it carries (file_fault.h), else its message under the format's
// name.
std::string RefusalReason(const std::exception& error, const std::string& format);

// The reason for a file no reader knows: empty, or of no kind read here,
// with its first bytes shown.
std::string UnknownFormatReason(const std::uint8_t* head, std::size_t size);
