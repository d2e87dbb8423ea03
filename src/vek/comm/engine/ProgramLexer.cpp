#include "vek/comm/engine/ProgramLexer.h"

namespace vek {

namespace {

bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isWordTail(char c) {
    return isUpper(c) || isLower(c) || c == '_';
}

}  // namespace

std::size_t ProgramLexer::lineEndLength(std::size_t at) const {
    if (at >= text_.size()) return 0;
    if (text_[at] == '\n') return 1;
    if (text_[at] == '\r') return at + 1 < text_.size() && text_[at + 1] == '\n' ? 2 : 1;
    return 0;
}

void ProgramLexer::skipBlanksAndComment() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\'')
        while (pos_ < text_.size() && lineEndLength(pos_) == 0) ++pos_;
}

ProgramToken ProgramLexer::make(ProgramToken::Kind kind, std::size_t start, std::size_t end) {
    ProgramToken token;
    token.kind = kind;
    token.text = text_.substr(start, end - start);
    token.line = line_;
    token.column = static_cast<int32_t>(start - lineStart_) + 1;
    token.offset = start;
    token.length = end - start;
    pos_ = end;
    return token;
}

ProgramToken ProgramLexer::next() {
    skipBlanksAndComment();
    const std::size_t start = pos_;
    const std::size_t size = text_.size();
    if (start >= size) return make(ProgramToken::End, start, start);
    if (const std::size_t eol = lineEndLength(start)) {
        ProgramToken token = make(ProgramToken::EndOfLine, start, start + eol);
        ++line_;
        lineStart_ = pos_;
        return token;
    }
    const char c = text_[start];
    std::size_t end = start + 1;
    if (isUpper(c)) {
        while (end < size && isWordTail(text_[end])) ++end;
        return make(ProgramToken::Word, start, end);
    }
    if (isLower(c)) {
        while (end < size && isLower(text_[end])) ++end;
        return make(ProgramToken::Name, start, end);
    }
    if (isDigit(c)) {
        int64_t value = c - '0';
        while (end < size && isDigit(text_[end])) {
            if (value < ProgramToken::kNumberLimit) value = value * 10 + (text_[end] - '0');
            ++end;
        }
        ProgramToken token = make(ProgramToken::Number, start, end);
        token.number = value < ProgramToken::kNumberLimit ? value : ProgramToken::kNumberLimit;
        return token;
    }
    if (c == '"') {
        while (end < size && text_[end] != '"' && lineEndLength(end) == 0) ++end;
        if (end < size && text_[end] == '"') {
            ProgramToken token = make(ProgramToken::String, start, end + 1);
            token.text = text_.substr(start + 1, end - start - 1);
            return token;
        }
        ProgramToken token = make(ProgramToken::OpenString, start, end);
        token.atEnd = end >= size;
        return token;
    }
    const char n = start + 1 < size ? text_[start + 1] : '\0';
    switch (c) {
        case '=':
        case '<':
        case '>':
        case '!':
            if (n == '=') return make(ProgramToken::Symbol, start, start + 2);
            if (c == '!') break;
            return make(ProgramToken::Symbol, start, end);
        case '+':
        case '-':
        case '*':
        case '/':
        case '&':
        case '|':
        case '(':
        case ')':
        case '[':
        case ']':
        case ',':
        case '#':
        case '?': return make(ProgramToken::Symbol, start, end);
        default: break;
    }
    return make(ProgramToken::Bad, start, end);
}

}  // namespace vek
