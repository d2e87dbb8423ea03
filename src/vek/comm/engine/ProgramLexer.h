#pragma once
#include <cstdint>
#include <string_view>

namespace vek {

// One token of a motor program (see LANGUAGE.md). Texts are views into the
// scanned program, which outlives the lexer.
struct ProgramToken {
    enum Kind : uint8_t {
        End,         // end of the text
        EndOfLine,   // a line end (a comment before it is skipped)
        Word,        // upper-case letter, then letters and '_': keywords, commands
        Name,        // lower-case letters: variables and arrays
        Number,      // decimal digits
        String,      // "...": text holds the contents without the quotes
        Symbol,      // = == != < <= > >= + - * / & | ( ) [ ] , # ?
        Bad,         // a byte the language has no use for
        OpenString,  // a string cut off by its line end (or the end of the text: atEnd)
    };
    Kind kind = End;
    std::string_view text;
    int32_t line = 1;
    int32_t column = 1;
    // Byte offset in the program and length there (quotes included).
    std::size_t offset = 0;
    std::size_t length = 0;
    // The value of a Number, saturated at kNumberLimit.
    int64_t number = 0;
    // An OpenString that ran into the end of the text.
    bool atEnd = false;

    static constexpr int64_t kNumberLimit = int64_t{1} << 40;

    bool is(Kind k, std::string_view t) const { return kind == k && text == t; }
    bool isSymbol(std::string_view t) const { return is(Symbol, t); }
    bool isWord(std::string_view t) const { return is(Word, t); }
    // Whether `next` starts exactly where this token ends.
    bool touches(const ProgramToken& next) const { return offset + length == next.offset; }
};

// Splits a program into tokens, one at a time, in a single pass: blanks and
// comments are skipped, lines counted. Every byte ends up in some token, so
// any input ends in End after at most one token per byte.
class ProgramLexer {
public:
    explicit ProgramLexer(std::string_view text) : text_(text) {}

    ProgramToken next();
    // Where the text ends (the position a missing END is reported at).
    int32_t line() const { return line_; }
    int32_t column() const { return static_cast<int32_t>(pos_ - lineStart_) + 1; }

private:
    ProgramToken make(ProgramToken::Kind kind, std::size_t start, std::size_t end);
    void skipBlanksAndComment();
    std::size_t lineEndLength(std::size_t at) const;

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lineStart_ = 0;
    int32_t line_ = 1;
};

}  // namespace vek
