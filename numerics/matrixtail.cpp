#include "numerics/matrixtail.h"

#include "numerics/matrixfileio.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool isLineEnd(char c)
{
    return c == '\n' || c == '\0';
}

// Offset of the end of the line that starts at `start`: of its line feed or NUL,
// or of the carriage return before one (a file written on Windows), or length.
int32 lineContentEnd(const char *tail, int32 length, int32 start)
{
    int32 pos = start;
    while (pos < length && !isLineEnd(tail[pos]))
        ++pos;
    if (pos > start && tail[pos - 1] == '\r')
        --pos;
    return pos;
}

// Offset just past the line that starts at `start` (its terminator included).
int32 nextLineStart(const char *tail, int32 length, int32 start)
{
    int32 pos = start;
    while (pos < length && !isLineEnd(tail[pos]))
        ++pos;
    return pos < length ? pos + 1 : length;
}

bool lineBeginsWithKey(const char *tail, int32 length, int32 start, const char *key)
{
    const int32 end = lineContentEnd(tail, length, start);
    for (std::size_t k = 0; key[k] != '\0'; ++k) {
        const int32 pos = start + int32(k);
        if (pos >= end)
            return false;
        if (std::tolower(static_cast<unsigned char>(tail[pos]))
            != std::tolower(static_cast<unsigned char>(key[k])))
            return false;
    }
    return true;
}

// Offset of the value line, or -1.
int32 findValueOffset(int32 length, const char *tail, const char *key, int32 occurrence)
{
    if (!tail || !key || length <= 0 || occurrence < 0)
        return -1;
    int32 matches = 0;
    for (int32 line = 0; line < length; line = nextLineStart(tail, length, line)) {
        if (!lineBeginsWithKey(tail, length, line, key))
            continue;
        if (++matches > occurrence) {
            const int32 value = nextLineStart(tail, length, line);
            return value < length ? value : -1;
        }
    }
    return -1;
}

// The value line copied into text (NUL-terminated, cut to capacity - 1 bytes), so
// that the conversions never read past the tail's end.
bool copyValueLine(int32 length, const char *tail, const char *key, int32 occurrence,
                   char *text, std::size_t capacity)
{
    const int32 start = findValueOffset(length, tail, key, occurrence);
    if (start < 0)
        return false;
    const int32 end = lineContentEnd(tail, length, start);
    std::size_t n = 0;
    for (int32 pos = start; pos < end && n + 1 < capacity; ++pos)
        text[n++] = tail[pos];
    text[n] = '\0';
    return true;
}

constexpr std::size_t valueTextCapacity = 512;

} // namespace

char *tailFindValue(int32 tailLength, char *tail, const char *key, int32 occurrence)
{
    const int32 offset = findValueOffset(tailLength, tail, key, occurrence);
    return offset < 0 ? nullptr : tail + offset;
}

int32 tailLineLength(int32 tailLength, const char *tail, const char *line)
{
    if (!tail || !line || line < tail || line >= tail + tailLength)
        return 0;
    const int32 start = int32(line - tail);
    return lineContentEnd(tail, tailLength, start) - start;
}

int tailGetInt(int32 tailLength, char *tail, const char *key, int32 *value, int32 occurrence)
{
    char text[valueTextCapacity];
    if (!value || !copyValueLine(tailLength, tail, key, occurrence, text, sizeof text))
        return 0;
    char *end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || number < INT32_MIN || number > INT32_MAX)
        return 0;
    *value = int32(number);
    return 1;
}

int tailGetDouble(int32 tailLength, char *tail, const char *key, double *value, int32 occurrence)
{
    char text[valueTextCapacity];
    if (!value || !copyValueLine(tailLength, tail, key, occurrence, text, sizeof text))
        return 0;
    char *end = nullptr;
    const double number = strtod_l(text, &end, matrixfileio::cLocale());
    if (end == text)
        return 0;
    *value = number;
    return 1;
}

int tailAppend(int32 *tailLength, char **tail, const char *key, const char *value)
{
    if (!tailLength || !tail || !key || !value)
        return 0;
    const std::size_t oldLength = *tail ? std::size_t(*tailLength > 0 ? *tailLength : 0) : 0;
    const std::size_t keyLength = std::strlen(key);
    const std::size_t valueLength = std::strlen(value);
    const std::size_t newLength = oldLength + keyLength + valueLength + 2;
    if (newLength > std::size_t(INT32_MAX))
        return 0;
    auto *grown = static_cast<char *>(std::malloc(newLength + 1));
    if (!grown)
        return 0;
    if (oldLength > 0)
        std::memcpy(grown, *tail, oldLength);
    char *write = grown + oldLength;
    std::memcpy(write, key, keyLength);
    write[keyLength] = '\n';
    std::memcpy(write + keyLength + 1, value, valueLength);
    write[keyLength + 1 + valueLength] = '\n';
    grown[newLength] = '\0';
    std::free(*tail);
    *tail = grown;
    *tailLength = int32(newLength);
    return 1;
}

int tailSetValue(int32 *tailLength, char **tail, const char *key, const char *value,
                 int32 occurrence)
{
    if (!tailLength || !tail || !*tail || !value)
        return 0;
    const int32 length = *tailLength;
    const int32 start = findValueOffset(length, *tail, key, occurrence);
    if (start < 0)
        return 0;
    const int32 lineEnd = lineContentEnd(*tail, length, start);
    const std::size_t valueLength = std::strlen(value);
    const std::size_t oldValueLength = std::size_t(lineEnd - start);
    if (valueLength <= oldValueLength) {
        std::memcpy(*tail + start, value, valueLength);
        std::memset(*tail + start + valueLength, ' ', oldValueLength - valueLength);
        return 1;
    }
    // The value line may have been the last one without its line feed; the longer
    // value then gets one so that the tail keeps its line form.
    const bool addLineEnd = lineEnd == length;
    const std::size_t newLength = std::size_t(length) + (valueLength - oldValueLength)
                                  + (addLineEnd ? 1 : 0);
    if (newLength > std::size_t(INT32_MAX))
        return 0;
    auto *grown = static_cast<char *>(std::malloc(newLength + 1));
    if (!grown)
        return 0;
    std::memcpy(grown, *tail, std::size_t(start));
    std::memcpy(grown + start, value, valueLength);
    char *rest = grown + start + valueLength;
    if (addLineEnd)
        *rest = '\n';
    else
        std::memcpy(rest, *tail + lineEnd, std::size_t(length - lineEnd));
    grown[newLength] = '\0';
    std::free(*tail);
    *tail = grown;
    *tailLength = int32(newLength);
    return 1;
}
