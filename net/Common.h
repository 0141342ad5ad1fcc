// Types and helpers shared by every layer: the error classes, the whole-number
// reading, trimming, dotted IPv4 text and the text-line list.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// Root of every error this program raises. The message is fixed English text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Msg(std::move(message)) {}
    const char* what() const noexcept override { return Msg.c_str(); }
    const std::string& Message() const noexcept { return Msg; }
    // Shown by the "Application Error" box.
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string Msg;
};

#define SCANVET_EXCEPTION_CLASS(Name)                                          \
    class Name : public Exception {                                            \
    public:                                                                    \
        using Exception::Exception;                                            \
        const char* ClassName() const noexcept override { return #Name; }      \
    }

SCANVET_EXCEPTION_CLASS(EConvertError);
SCANVET_EXCEPTION_CLASS(EStringListError);

// Whole-number reading: leading blanks, then [+-]digits or $hexdigits, nothing
// after. Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, int32_t& value) noexcept;

// Removes every leading and trailing character whose code is a blank or lower.
std::string Trim(const std::string& text);

// IPv4 addresses travel as 32-bit values in network byte order.
constexpr uint32_t INADDR_ALL_ONES = 0xFFFFFFFFu;
// The dotted-address parse of the socket service: all ones for a text that is
// not a dotted address (and for "255.255.255.255" itself).
uint32_t ParseDottedAddress(const std::string& text) noexcept;
std::string DottedText(uint32_t address);

// Ordered list of text lines.
class TStringList {
public:
    virtual ~TStringList() = default;

    void Clear() { Lines.clear(); }
    void Add(std::string line) { Lines.push_back(std::move(line)); }
    int Count() const { return static_cast<int>(Lines.size()); }
    // Raises EStringListError "List index out of bounds (%d)".
    const std::string& Strings(int index) const;
    const std::vector<std::string>& All() const { return Lines; }

    // CR, LF or CR LF end a line; a NUL byte ends the text. False when the
    // file cannot be opened or read (the list is then empty).
    bool LoadFromFile(const std::string& fileName);
    void SetText(const std::string& bytes);
    // Every line followed by CR LF. Written aside and moved into place, so a
    // failed write leaves any existing file as it was.
    bool SaveToFile(const std::string& fileName) const;
    std::string Text() const;

private:
    std::vector<std::string> Lines;
};

// Writes bytes to fileName atomically; false on any failure.
bool WriteFileReplacing(const std::string& fileName, const std::string& bytes);
