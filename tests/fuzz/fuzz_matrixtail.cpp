// Fuzz target for the tail operations. The input is split at its first two NUL
// bytes into a key, a value and the rest; the rest's first byte is an occurrence
// and the bytes after it the tail. Lookups get a buffer of exactly the tail's
// length (no terminator), so reading past it shows up under the address
// sanitizer; the editing operations get the malloc'ed, NUL-closed file form they
// are made for, and what they leave must read back.

#include "fuzzinput.h"

#include "numerics/matrixtail.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using fuzzinput::check;

namespace {

struct Parts
{
    std::string key;
    std::string value;
    int32 occurrence = 0;
    std::string tail;
};

bool split(const std::uint8_t *data, std::size_t size, Parts *parts)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t keyEnd = input.find('\0');
    const std::size_t valueEnd = keyEnd == input.npos ? input.npos : input.find('\0', keyEnd + 1);
    if (valueEnd == input.npos || valueEnd + 1 >= size)
        return false;
    parts->key = input.substr(0, keyEnd);
    parts->value = input.substr(keyEnd + 1, valueEnd - keyEnd - 1);
    // Mostly small occurrences, and now and then a negative one.
    parts->occurrence = int32(static_cast<signed char>(input[valueEnd + 1])) % 8;
    parts->tail = input.substr(valueEnd + 2);
    return true;
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\0';
}

// The value line at *value must follow a line that begins with the key.
void checkFoundValue(const char *tail, int32 length, const char *value, const std::string &key)
{
    check(value > tail && value < tail + length, "a value pointer outside the tail");
    check(isLineEnd(value[-1]), "a value that does not start a line");
    const char *keyLine = value - 1;
    while (keyLine > tail && !isLineEnd(keyLine[-1]))
        --keyLine;
    check(std::size_t(value - 1 - keyLine) >= key.size(), "the key line is shorter than the key");
    check(strncasecmp(keyLine, key.c_str(), key.size()) == 0, "the line before a value does not begin with the key");
}

void lookUp(const Parts &parts)
{
    const int32 length = int32(parts.tail.size());
    // Exactly the tail's bytes: nothing after them to lean on.
    auto *tail = static_cast<char *>(std::malloc(parts.tail.size() + 1));
    std::memcpy(tail, parts.tail.data(), parts.tail.size());
    if (const char *value = tailFindValue(length, tail, parts.key.c_str(), parts.occurrence))
        checkFoundValue(tail, length, value, parts.key);
    int32 integer = 0;
    tailGetInt(length, tail, parts.key.c_str(), &integer, parts.occurrence);
    double number = 0;
    tailGetDouble(length, tail, parts.key.c_str(), &number, parts.occurrence);
    std::free(tail);
}

// A copy of the malloc'ed file-form tail of that length, NUL-closed.
char *fileForm(const std::string &bytes)
{
    auto *tail = static_cast<char *>(std::malloc(bytes.size() + 1));
    std::memcpy(tail, bytes.data(), bytes.size());
    tail[bytes.size()] = '\0';
    return tail;
}

void edit(const Parts &parts)
{
    // The editing operations write lines: a value with a line end or NUL in it
    // would be two lines, which no caller passes.
    if (parts.value.find('\n') != std::string::npos)
        return;
    int32 length = int32(parts.tail.size());
    char *tail = fileForm(parts.tail);
    const char *before = tailFindValue(length, tail, parts.key.c_str(), parts.occurrence);
    const std::ptrdiff_t offset = before ? before - tail : -1;
    const int set = tailSetValue(&length, &tail, parts.key.c_str(), parts.value.c_str(), parts.occurrence);
    check((set == 1) == (offset >= 0), "setting a value disagrees with finding it");
    check(tail[length] == '\0', "an edited tail lost its closing NUL");
    if (set) {
        check(std::memcmp(tail + offset, parts.value.data(), parts.value.size()) == 0,
              "the value was not written where it was found");
        const char *after = tail + offset + parts.value.size();
        // A carriage return that follows belongs to a Windows line end.
        check(after == tail + length || isLineEnd(*after) || *after == ' ' || *after == '\r',
              "the written value runs into the next line");
    }

    const int32 lengthBefore = length;
    check(tailAppend(&length, &tail, parts.key.c_str(), parts.value.c_str()) == 1, "appending failed");
    check(std::size_t(length) == std::size_t(lengthBefore) + parts.key.size() + parts.value.size() + 2,
          "appending gave the wrong length");
    check(tail[length] == '\0', "an appended tail lost its closing NUL");
    // The appended key and value lines are the last two lines of the tail.
    check(tail[length - 1] == '\n', "an appended value without its line feed");
    check(std::memcmp(tail + length - 1 - parts.value.size(), parts.value.data(), parts.value.size()) == 0,
          "the appended value is not at the end");
    std::free(tail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Parts parts;
    if (!split(data, size, &parts))
        return 0;
    lookUp(parts);
    edit(parts);
    return 0;
}
