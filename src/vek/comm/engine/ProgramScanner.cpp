#include "vek/comm/engine/ProgramScanner.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "vek/comm/engine/ProgramCode.h"
#include "vek/comm/engine/ProgramCommands.h"
#include "vek/comm/engine/ProgramErrors.h"
#include "vek/comm/engine/ProgramLexer.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

namespace E = SingleMotorProgramErrorConstants;
using Token = ProgramToken;

constexpr std::size_t kMaxErrors = 25;
constexpr std::size_t kMaxWarnings = 25;
constexpr std::size_t kMaxNesting = 32;
constexpr int kMaxExpressionDepth = 64;
constexpr int64_t kMaxLabel = 999;
constexpr int64_t kOutputs = 10;
constexpr int64_t kInputs = 12;
constexpr std::size_t kMaxCases = 4096;
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// The rest of the line is skipped after an error.
struct LineAbandoned {};
// The scan ends (too many errors, nesting too deep).
struct ScanStopped {};

enum Keyword : uint8_t {
    NotKeyword,
    kBAUD,
    kBREAK,
    kC,
    kCASE,
    kDEFAULT,
    kELSE,
    kELSEIF,
    kEND,
    kENDIF,
    kENDS,
    kGOSUB,
    kGOTO,
    kIF,
    kIN,
    kLOOP,
    kO,
    kOCHN,
    kPRINT,
    kRETURN,
    kSADDR,
    kSWITCH,
    kWHILE,
};

struct KeywordEntry {
    std::string_view word;
    Keyword keyword;
};

// Sorted by word.
constexpr KeywordEntry kKeywords[] = {
    {"BAUD", kBAUD},     {"BREAK", kBREAK},   {"C", kC},         {"CASE", kCASE},     {"DEFAULT", kDEFAULT},
    {"ELSE", kELSE},     {"ELSEIF", kELSEIF}, {"END", kEND},     {"ENDIF", kENDIF},   {"ENDS", kENDS},
    {"GOSUB", kGOSUB},   {"GOTO", kGOTO},     {"IF", kIF},       {"IN", kIN},         {"LOOP", kLOOP},
    {"O", kO},           {"OCHN", kOCHN},     {"PRINT", kPRINT}, {"RETURN", kRETURN}, {"SADDR", kSADDR},
    {"SWITCH", kSWITCH}, {"WHILE", kWHILE},
};

Keyword keywordOf(std::string_view word) {
    const auto* end = std::end(kKeywords);
    const auto* found = std::lower_bound(std::begin(kKeywords), end, word,
                                         [](const KeywordEntry& k, std::string_view w) { return k.word < w; });
    return found != end && found->word == word ? found->keyword : NotKeyword;
}

// A value being compiled: its code starts at `codeStart`; a constant is
// folded into a single Push there. `width` is the widest type in it (8, 16
// or 32 bits) for the range-mismatch warning.
struct Value {
    std::size_t codeStart = 0;
    std::optional<int64_t> constant;
    int width = 32;
};

struct ArrayInfo {
    uint8_t id;
    int width;
    int16_t indexWarning;
    int16_t valueWarning;
};

std::optional<ArrayInfo> arrayOf(std::string_view name) {
    if (name == "al") return ArrayInfo{ProgramArray::al, 32, E::WR_OTI32, 0};
    if (name == "aw") return ArrayInfo{ProgramArray::aw, 16, E::WR_OTI16, E::WR_OTS16B};
    if (name == "ab") return ArrayInfo{ProgramArray::ab, 8, E::WR_OTI8, E::WR_OTS8B};
    return std::nullopt;
}

// a..z are 0..25, aa..zz 26..701, aaa..zzz 702..18277; nothing for longer names.
std::optional<uint16_t> variableNumber(std::string_view name) {
    if (name.size() > 3) return std::nullopt;
    int number = 0;
    for (const char c : name) number = number * 26 + (c - 'a');
    switch (name.size()) {
        case 1: return static_cast<uint16_t>(number);
        case 2: return static_cast<uint16_t>(26 + number);
        case 3: return static_cast<uint16_t>(702 + number);
        default: return std::nullopt;
    }
}

int64_t saturate(int64_t v) {
    constexpr int64_t limit = int64_t{1} << 62;
    return std::clamp(v, -limit, limit);
}

std::optional<int64_t> fold(uint8_t op, int64_t a, int64_t b) {
    int64_t product = 0;
    switch (op) {
        case ProgramOp::Add: return saturate(a + b);
        case ProgramOp::Subtract: return saturate(a - b);
        case ProgramOp::Multiply:
            return __builtin_mul_overflow(a, b, &product) ? saturate((a < 0) != (b < 0) ? INT64_MIN : INT64_MAX)
                                                          : saturate(product);
        case ProgramOp::Divide: return b == 0 ? std::nullopt : std::optional<int64_t>(a / b);
        default: return programRelation(op, a, b);
    }
}

uint8_t relationOp(const Token& t) {
    if (t.kind != Token::Symbol) return 0;
    if (t.text == "==") return ProgramOp::Equal;
    if (t.text == "!=") return ProgramOp::NotEqual;
    if (t.text == "<") return ProgramOp::Less;
    if (t.text == "<=") return ProgramOp::LessEqual;
    if (t.text == ">") return ProgramOp::Greater;
    if (t.text == ">=") return ProgramOp::GreaterEqual;
    return 0;
}

struct Block {
    enum Kind : uint8_t { If, While, Switch };
    Kind kind;
    int32_t line;
    int32_t column;
    std::size_t falseJump = kNone;      // If, While: the JumpIfZero of the open branch or loop
    std::vector<std::size_t> endJumps;  // jumps to the block's end: branch ends, BREAKs
    uint32_t loopStart = 0;
    bool sawElse = false;
    // Switch
    std::size_t dispatchJump = kNone;
    std::vector<std::pair<int64_t, uint32_t>> cases;
    std::optional<uint32_t> defaultAt;
    bool caseSeen = false;
    bool reportedCaseExpected = false;
};

class Compiler {
public:
    explicit Compiler(std::string_view text) : lexer_(text) {}

    ProgramScan run();

private:
    // --- tokens
    void advance() { tok_ = lexer_.next(); }
    Token peek() const {
        ProgramLexer copy = lexer_;
        return copy.next();
    }
    bool atLineEnd() const { return tok_.kind == Token::EndOfLine || tok_.kind == Token::End; }
    void skipLine() {
        while (!atLineEnd()) advance();
    }

    // --- the error list
    void record(int16_t code, int32_t line, int32_t column);
    [[noreturn]] void fail(int16_t code, const Token& at);
    void error(int16_t code, int32_t line, int32_t column) { record(code, line, column); }
    void warn(int16_t code, const Token& at);
    void checkConstant(int16_t warning, const Value& value, const Token& at);

    // --- statements
    void statement();
    void keywordStatement(Keyword keyword, const Token& word);
    void commandStatement(const ProgramCommand& command, const Token& word);
    void reportStatement(const Token& word);
    void assignment();
    void label();
    void jump(uint8_t op);
    void print();
    void openChannel();
    void numberedCommand(uint8_t id, int16_t warning, bool bitRate);
    void output(const Token& word);
    void expectEquals();
    int64_t expectNumber();

    // --- blocks
    Block& push(Block::Kind kind, const Token& at);
    Block* top() { return blocks_.empty() ? nullptr : &blocks_.back(); }
    // Closes the innermost block of `kind`, reporting blocks left open inside
    // it; false when no such block is open.
    bool closeTo(Block::Kind kind);
    void reportOpen(const Block& block);
    void finishIf(Block& block);
    void finishWhile(Block& block);
    void finishSwitch(Block& block);
    void patchAll(const std::vector<std::size_t>& jumps, uint32_t target) {
        for (const std::size_t at : jumps) code_.patch(at, target);
    }

    // --- expressions
    enum class Context { Plain, Condition };
    Value expression(Context context);
    Value conjunction(Context context);
    Value relation(Context context);
    Value sum(Context context);
    Value product(Context context);
    Value unary(Context context);
    Value primary(Context context);
    Value binary(uint8_t op, const Value& left, const Value& right);
    Value constant(std::size_t start, int64_t value);
    Value element(const ArrayInfo& array, Value& indexOut);
    void enter(const Token& at);

    // --- end of text
    void finish();

    ProgramLexer lexer_;
    Token tok_;
    ProgramCode code_;
    std::vector<Block> blocks_;
    std::array<uint32_t, kMaxLabel + 1> labels_{};
    int64_t highestLabel_ = -1;
    std::vector<std::pair<uint16_t, Token>> jumps_;
    bool sawEnd_ = false;
    int depth_ = 0;

    std::vector<ProgramError> entries_;
    std::size_t errors_ = 0;
    std::size_t warnings_ = 0;
    bool warningsFull_ = false;
};

// ------------------------------------------------------------ the error list

void Compiler::record(int16_t code, int32_t line, int32_t column) {
    if (errors_ == kMaxErrors) {
        entries_.push_back({E::ER_2MANYERRORS, line, column, programErrorMessage(E::ER_2MANYERRORS)});
        throw ScanStopped{};
    }
    ++errors_;
    entries_.push_back({code, line, column, programErrorMessage(code)});
}

void Compiler::fail(int16_t code, const Token& at) {
    if (at.kind == Token::OpenString)
        code = at.atEnd ? E::ER_QUOTXPTD : E::ER_NEWLINEINSTRING;
    else if (at.kind == Token::End)
        code = E::ER_END;
    record(code, at.line, at.column);
    throw LineAbandoned{};
}

void Compiler::warn(int16_t code, const Token& at) {
    // A literal and the value it makes may both be out of range: one warning.
    if (warningsFull_ ||
        (!entries_.empty() && entries_.back() == ProgramError{code, at.line, at.column, programErrorMessage(code)}))
        return;
    if (warnings_ == kMaxWarnings) {
        warningsFull_ = true;
        entries_.push_back({E::ER_2MANYWARNINGS, at.line, at.column, programErrorMessage(E::ER_2MANYWARNINGS)});
        return;
    }
    ++warnings_;
    entries_.push_back({code, at.line, at.column, programErrorMessage(code)});
}

void Compiler::checkConstant(int16_t warning, const Value& value, const Token& at) {
    if (!value.constant) return;
    const int64_t v = *value.constant;
    if (warning != 0) {
        const ConstantRange range = programWarningRange(warning);
        if (v < range.low || v > range.high) warn(warning, at);
    } else if (v < kInt32Min || v > kInt32Max) {
        warn(E::WR_OTU31B, at);
    }
}

// ------------------------------------------------------------ statements

ProgramScan Compiler::run() {
    ProgramScan scan;
    try {
        advance();
        while (tok_.kind != Token::End) {
            if (tok_.kind == Token::EndOfLine) {
                advance();
                continue;
            }
            try {
                statement();
            } catch (const LineAbandoned&) {
                depth_ = 0;  // an expression abandoned half-way must not count against the next
                skipLine();
            }
        }
        finish();
    } catch (const ScanStopped&) {
    }
    std::stable_sort(entries_.begin(), entries_.end(), [](const ProgramError& a, const ProgramError& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    scan.entries = std::move(entries_);
    if (scan.entries.empty()) {
        // Running past the last statement ends the program: the code closes
        // with END, so a label after the last statement still lands on code.
        code_.op(ProgramOp::End);
        scan.program.labels.assign(static_cast<std::size_t>(highestLabel_ + 1), CompiledProgram::kNoLabel);
        for (std::size_t i = 0; i < scan.program.labels.size(); ++i)
            if (labels_[i] != 0) scan.program.labels[i] = labels_[i] - 1;
        scan.program.code = code_.take();
    }
    return scan;
}

void Compiler::statement() {
    const Token first = tok_;
    const Keyword keyword = first.kind == Token::Word ? keywordOf(first.text) : NotKeyword;
    if (Block* block = top(); block && block->kind == Block::Switch && !block->caseSeen && keyword != kCASE &&
                              keyword != kDEFAULT && keyword != kENDS) {
        if (!block->reportedCaseExpected) error(E::ER_CASEXPTD, first.line, first.column);
        block->reportedCaseExpected = true;
    }
    switch (first.kind) {
        case Token::Name: return assignment();
        case Token::Word:
            if (keyword != NotKeyword) {
                advance();
                return keywordStatement(keyword, first);
            }
            if (const ProgramCommand* command = findProgramCommand(first.text)) {
                advance();
                return commandStatement(*command, first);
            }
            if (first.text.size() > 1 && first.text[0] == 'R') return reportStatement(first);
            fail(E::ER_SYNTAX, first);
        case Token::Number: advance(); fail(tok_.isSymbol("=") ? E::ER_LVALUE : E::ER_SYNTAX, first);
        default: fail(E::ER_SYNTAX, first);
    }
}

void Compiler::keywordStatement(Keyword keyword, const Token& word) {
    switch (keyword) {
        case kC: return label();
        case kGOSUB: return jump(ProgramOp::Gosub);
        case kGOTO: return jump(ProgramOp::Goto);
        case kRETURN: return code_.op(ProgramOp::Return);
        case kEND: sawEnd_ = true; return code_.op(ProgramOp::End);
        case kPRINT: return print();
        case kOCHN: return openChannel();
        case kSADDR: return numberedCommand(ProgramCommandId::SADDR, E::WR_OT0TO120, false);
        case kBAUD: return numberedCommand(ProgramCommandId::BAUD, 0, true);
        case kO: return output(word);
        case kIN: fail(tok_.isSymbol("(") || tok_.isSymbol("=") ? E::ER_LVALUE : E::ER_SYNTAX, word);
        case kIF:
            push(Block::If, word);
            expression(Context::Condition);
            code_.op(ProgramOp::JumpIfZero);
            blocks_.back().falseJump = code_.placeholder();
            return;
        case kELSEIF: {
            Block* block = top();
            if (!block || block->kind != Block::If) fail(E::ER_ELSEIFWOIF, word);
            if (block->sawElse) fail(E::ER_ELSEIFAFTERELSE, word);
            code_.op(ProgramOp::Jump);
            block->endJumps.push_back(code_.placeholder());
            if (block->falseJump != kNone) code_.patch(block->falseJump, code_.here());
            block->falseJump = kNone;
            expression(Context::Condition);
            code_.op(ProgramOp::JumpIfZero);
            blocks_.back().falseJump = code_.placeholder();
            return;
        }
        case kELSE: {
            Block* block = top();
            if (!block || block->kind != Block::If) fail(E::ER_ELSEWOIF, word);
            if (block->sawElse) fail(E::ER_2ELSE, word);
            block->sawElse = true;
            code_.op(ProgramOp::Jump);
            block->endJumps.push_back(code_.placeholder());
            if (block->falseJump != kNone) code_.patch(block->falseJump, code_.here());
            block->falseJump = kNone;
            return;
        }
        case kENDIF:
            if (!closeTo(Block::If)) fail(E::ER_ENDIFWOIF, word);
            return;
        case kWHILE: {
            push(Block::While, word).loopStart = code_.here();
            expression(Context::Condition);
            code_.op(ProgramOp::JumpIfZero);
            blocks_.back().falseJump = code_.placeholder();
            return;
        }
        case kLOOP:
            if (!closeTo(Block::While)) fail(E::ER_LOOPWOWHILE, word);
            return;
        case kBREAK: {
            auto it = std::find_if(blocks_.rbegin(), blocks_.rend(),
                                   [](const Block& b) { return b.kind == Block::While || b.kind == Block::Switch; });
            if (it == blocks_.rend()) fail(E::ER_BADBREAK, word);
            code_.op(ProgramOp::Jump);
            it->endJumps.push_back(code_.placeholder());
            return;
        }
        case kSWITCH: {
            push(Block::Switch, word);
            expression(Context::Plain);
            code_.op(ProgramOp::Jump);
            blocks_.back().dispatchJump = code_.placeholder();
            return;
        }
        case kCASE: {
            Block* block = top();
            if (!block || block->kind != Block::Switch) fail(E::ER_CASEWOSWITCH, word);
            if (block->defaultAt) fail(E::ER_CASEAFTERDEFAULT, word);
            const bool negative = tok_.isSymbol("-");
            if (negative) advance();
            const Token number = tok_;
            const int64_t value = expectNumber() * (negative ? -1 : 1);
            if (value < kInt32Min || value > kInt32Max) warn(E::WR_OTU31B, number);
            if (block->cases.size() >= kMaxCases) fail(E::ER_SYNTAX, word);
            block->cases.emplace_back(value, code_.here());
            block->caseSeen = true;
            return;
        }
        case kDEFAULT: {
            Block* block = top();
            if (!block || block->kind != Block::Switch) fail(E::ER_DEFAULTWOSWITCH, word);
            if (block->defaultAt) fail(E::ER_2DEFAULTS, word);
            block->defaultAt = code_.here();
            block->caseSeen = true;
            return;
        }
        case kENDS:
            if (!closeTo(Block::Switch)) fail(E::ER_ENDSWOSWITCH, word);
            return;
        case NotKeyword: break;
    }
    fail(E::ER_SYNTAX, word);
}

void Compiler::commandStatement(const ProgramCommand& command, const Token& word) {
    if (tok_.isSymbol("=")) {
        if (!command.has(ProgramCommand::Set)) {
            if (command.has(ProgramCommand::Read)) fail(E::ER_LVALUE, word);  // Bt=1
            fail(E::ER_SYNTAX, tok_);                                         // G=1
        }
        advance();
        const Token at = tok_;
        const Value value = expression(Context::Plain);
        checkConstant(command.rangeWarning, value, at);
        code_.op(ProgramOp::Set);
        code_.u8(command.id);
        return;
    }
    if (!command.has(ProgramCommand::Bare)) fail(E::ER_SYNTAX, command.has(ProgramCommand::Set) ? tok_ : word);
    if (command.word == "RUN" && tok_.isSymbol("?") && word.touches(tok_)) {
        advance();
        code_.op(ProgramOp::Command);
        code_.u8(ProgramCommandId::RUN_IF_ASKED);
        return;
    }
    code_.op(ProgramOp::Command);
    code_.u8(command.id);
}

void Compiler::reportStatement(const Token& word) {
    const std::string_view rest = word.text.substr(1);
    advance();
    if (rest == "I" && tok_.kind == Token::Number && word.touches(tok_)) {
        const Token number = tok_;
        advance();
        if (number.number < 1 || number.number > kInputs) fail(E::ER_INVALIDINDEX, number);
        code_.op(ProgramOp::Push);
        code_.i32(static_cast<int32_t>(number.number));
        code_.op(ProgramOp::Input);
    } else if (const ProgramCommand* command = findProgramCommand(rest);
               command && command->has(ProgramCommand::Read)) {
        code_.op(ProgramOp::Read);
        code_.u8(command->id);
    } else if (rest[0] >= 'a' && rest[0] <= 'z') {
        if (const auto array = arrayOf(rest)) {
            Value index;
            element(*array, index);
        } else if (const auto number = variableNumber(rest)) {
            code_.op(ProgramOp::Load);
            code_.u16(*number);
        } else {
            fail(E::ER_SYNTAX, word);
        }
    } else {
        fail(E::ER_SYNTAX, word);
    }
    code_.op(ProgramOp::Report);
}

void Compiler::assignment() {
    const Token name = tok_;
    advance();
    const auto array = arrayOf(name.text);
    const auto number = array ? std::nullopt : variableNumber(name.text);
    if (!array && !number) fail(E::ER_SYNTAX, name);
    int width = 32;
    int16_t valueWarning = 0;
    if (array) {
        if (!tok_.isSymbol("[")) fail(E::ER_OBRACKETXPTD, tok_);
        advance();
        const Token at = tok_;
        const Value index = expression(Context::Plain);
        checkConstant(array->indexWarning, index, at);
        if (!tok_.isSymbol("]")) fail(E::ER_CBRACKETXPTD, tok_);
        advance();
        width = array->width;
        valueWarning = array->valueWarning;
    }
    expectEquals();
    const Token at = tok_;
    const Value value = expression(Context::Plain);
    if (value.constant)
        checkConstant(valueWarning, value, at);
    else if (value.width > width)
        warn(E::WR_DATARANGE, at);
    if (array) {
        code_.op(ProgramOp::StoreElement);
        code_.u8(array->id);
    } else {
        code_.op(ProgramOp::Store);
        code_.u16(*number);
    }
}

void Compiler::expectEquals() {
    if (!tok_.isSymbol("=")) fail(E::ER_SYNTAX, tok_);
    advance();
}

int64_t Compiler::expectNumber() {
    if (tok_.kind != Token::Number) fail(E::ER_NUMXPTD, tok_);
    const int64_t value = tok_.number;
    advance();
    return value;
}

void Compiler::label() {
    const Token at = tok_;
    const int64_t number = expectNumber();
    if (number > kMaxLabel) return warn(E::WR_OT0TO999, at);
    auto& slot = labels_[static_cast<std::size_t>(number)];
    if (slot == 0) slot = code_.here() + 1;  // 0 marks a label not defined yet
    highestLabel_ = std::max(highestLabel_, number);
}

void Compiler::jump(uint8_t op) {
    const Token at = tok_;
    const int64_t number = expectNumber();
    if (number > kMaxLabel) return warn(E::WR_OT0TO999, at);
    jumps_.emplace_back(static_cast<uint16_t>(number), at);
    code_.op(op);
    code_.u16(static_cast<uint16_t>(number));
}

void Compiler::numberedCommand(uint8_t id, int16_t warning, bool bitRate) {
    const Token at = tok_;
    const int64_t number = expectNumber();
    if (bitRate && !isProgramBitRate(number)) warn(E::WR_OTBR, at);
    if (warning != 0) checkConstant(warning, Value{0, number, 32}, at);
    code_.op(ProgramOp::CommandNumber);
    code_.u8(id);
    code_.i32(static_cast<int32_t>(std::clamp(number, kInt32Min, kInt32Max)));
}

void Compiler::output(const Token& word) {
    if (tok_.isSymbol("=")) {  // O=value: the origin
        advance();
        const Token at = tok_;
        checkConstant(0, expression(Context::Plain), at);
        code_.op(ProgramOp::Set);
        code_.u8(ProgramCommandId::ORIGIN);
        return;
    }
    if (tok_.kind != Token::Number || !word.touches(tok_)) fail(E::ER_SYNTAX, tok_);
    const Token number = tok_;
    advance();
    if (number.number < 1 || number.number > kOutputs) fail(E::ER_INVALIDINDEX, number);
    expectEquals();
    const Token at = tok_;
    checkConstant(E::WR_OTU1B, expression(Context::Plain), at);
    code_.op(ProgramOp::Output);
    code_.u8(static_cast<uint8_t>(number.number));
}

void Compiler::print() {
    if (!tok_.isSymbol("(")) fail(E::ER_OPENPXPTD, tok_);
    advance();
    if (tok_.isSymbol(")")) fail(E::ER_STRXPTD, tok_);
    while (true) {
        if (tok_.kind == Token::String) {
            std::string_view text = tok_.text;
            do {  // one PrintText holds at most 65535 bytes
                const std::string_view part = text.substr(0, 0xFFFF);
                code_.op(ProgramOp::PrintText);
                code_.u16(static_cast<uint16_t>(part.size()));
                code_.text(part);
                text.remove_prefix(part.size());
            } while (!text.empty());
            advance();
        } else if (tok_.isSymbol("#")) {
            advance();
            const Token at = tok_;
            const int64_t character = expectNumber();
            if (character > 255) warn(E::WR_OTU8B, at);
            code_.op(ProgramOp::PrintChar);
            code_.u8(static_cast<uint8_t>(character));
        } else if (tok_.kind == Token::Number && (peek().isSymbol(",") || peek().isSymbol(")"))) {
            fail(E::ER_NUMSIGNXPTD, tok_);
        } else if (tok_.isSymbol(",") || tok_.isSymbol(")") || tok_.kind == Token::EndOfLine) {
            fail(E::ER_UPARAMXPTD, tok_);
        } else {
            expression(Context::Plain);
            code_.op(ProgramOp::PrintValue);
        }
        if (tok_.isSymbol(")")) break;
        if (!tok_.isSymbol(",")) fail(atLineEnd() ? E::ER_CLOSEPXPTD : E::ER_COMMAXPTD, tok_);
        advance();
    }
    advance();
}

void Compiler::openChannel() {
    if (!tok_.isSymbol("(")) fail(E::ER_OPENPXPTD, tok_);
    advance();
    std::array<int64_t, 7> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (tok_.isSymbol(")")) fail(E::ER_INVALIDNOPARAM, tok_);
        const Token at = tok_;
        switch (i) {
            case 0:  // RS2 and RS4 read as a word and a number
                if (at.isWord("RS") && peek().kind == Token::Number && (peek().number == 2 || peek().number == 4) &&
                    at.touches(peek())) {
                    advance();
                    values[i] = tok_.number;
                } else if (at.isWord("IIC")) {
                    values[i] = 3;
                } else {
                    fail(E::ER_COMTYPEXPTD, at);
                }
                advance();
                break;
            case 2:
            case 6: {
                const std::string_view letters = i == 2 ? "INOE" : "CDM";
                if (at.kind != Token::Word || at.text.size() != 1 || letters.find(at.text[0]) == std::string_view::npos)
                    fail(i == 2 ? E::ER_PARITYEXPTD : E::ER_COMSPECXPTD, at);
                values[i] = at.text[0];
                advance();
                break;
            }
            default:
                values[i] = expectNumber();
                if (i == 1 && values[i] > 1) warn(E::WR_OTU1B, at);
                if (i == 3 && !isProgramBitRate(values[i])) warn(E::WR_OTBR, at);
                if (i == 5 && values[i] != 8) warn(E::WR_OT8, at);
                break;
        }
        if (i + 1 < values.size()) {
            if (tok_.isSymbol(")")) fail(E::ER_INVALIDNOPARAM, tok_);
            if (!tok_.isSymbol(",")) fail(E::ER_COMMAXPTD, tok_);
            advance();
        }
    }
    if (tok_.isSymbol(",")) fail(E::ER_INVALIDNOPARAM, tok_);
    if (!tok_.isSymbol(")")) fail(E::ER_CLOSEPXPTD, tok_);
    advance();
    auto byte = [](int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); };
    code_.op(ProgramOp::OpenChannel);
    code_.u8(byte(values[0]));
    code_.u8(byte(values[1]));
    code_.u8(byte(values[2]));
    code_.i32(static_cast<int32_t>(std::clamp(values[3], kInt32Min, kInt32Max)));
    code_.u8(byte(values[4]));
    code_.u8(byte(values[5]));
    code_.u8(byte(values[6]));
}

// ------------------------------------------------------------ blocks

Block& Compiler::push(Block::Kind kind, const Token& at) {
    if (blocks_.size() >= kMaxNesting) {
        record(E::FER_NESTING, at.line, at.column);
        throw ScanStopped{};
    }
    Block block;
    block.kind = kind;
    block.line = at.line;
    block.column = at.column;
    blocks_.push_back(std::move(block));
    return blocks_.back();
}

void Compiler::reportOpen(const Block& block) {
    const int16_t code = block.kind == Block::If      ? E::ER_IFWOENDIF
                         : block.kind == Block::While ? E::ER_WHILEWOLOOP
                                                      : E::ER_SWITCHWOENDS;
    error(code, block.line, block.column);
}

bool Compiler::closeTo(Block::Kind kind) {
    const auto match =
        std::find_if(blocks_.rbegin(), blocks_.rend(), [kind](const Block& b) { return b.kind == kind; });
    if (match == blocks_.rend()) return false;
    const std::size_t keep = blocks_.size() - static_cast<std::size_t>(match - blocks_.rbegin());
    while (blocks_.size() > keep) {
        reportOpen(blocks_.back());
        blocks_.pop_back();
    }
    Block& block = blocks_.back();
    switch (kind) {
        case Block::If: finishIf(block); break;
        case Block::While: finishWhile(block); break;
        case Block::Switch: finishSwitch(block); break;
    }
    blocks_.pop_back();
    return true;
}

void Compiler::finishIf(Block& block) {
    const uint32_t end = code_.here();
    if (block.falseJump != kNone) code_.patch(block.falseJump, end);
    patchAll(block.endJumps, end);
}

void Compiler::finishWhile(Block& block) {
    code_.op(ProgramOp::Jump);
    code_.u32(block.loopStart);
    const uint32_t end = code_.here();
    if (block.falseJump != kNone) code_.patch(block.falseJump, end);
    patchAll(block.endJumps, end);
}

void Compiler::finishSwitch(Block& block) {
    // The last case falls out over the dispatch table.
    code_.op(ProgramOp::Jump);
    block.endJumps.push_back(code_.placeholder());
    if (block.dispatchJump != kNone) code_.patch(block.dispatchJump, code_.here());
    const uint32_t end = code_.here() + 1 + 2 + 8 * static_cast<uint32_t>(block.cases.size()) + 4;
    code_.op(ProgramOp::Select);
    code_.u16(static_cast<uint16_t>(block.cases.size()));
    for (const auto& [value, target] : block.cases) {
        code_.i32(static_cast<int32_t>(std::clamp(value, kInt32Min, kInt32Max)));
        code_.u32(target);
    }
    code_.u32(block.defaultAt.value_or(end));
    patchAll(block.endJumps, end);
}

// ------------------------------------------------------------ expressions

void Compiler::enter(const Token& at) {
    if (depth_ >= kMaxExpressionDepth) fail(E::ER_INVALIDEXP, at);
}

Value Compiler::constant(std::size_t start, int64_t value) {
    code_.truncate(start);
    code_.op(ProgramOp::Push);
    code_.i32(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))));
    return Value{start, value, 8};
}

Value Compiler::binary(uint8_t op, const Value& left, const Value& right) {
    if (left.constant && right.constant)
        if (const auto folded = fold(op, *left.constant, *right.constant)) return constant(left.codeStart, *folded);
    code_.op(op);
    return Value{left.codeStart, std::nullopt, std::max(left.width, right.width)};
}

Value Compiler::expression(Context context) {
    Value left = conjunction(context);
    while (tok_.isSymbol("|")) {
        advance();
        left = binary(ProgramOp::Or, left, conjunction(context));
    }
    return left;
}

Value Compiler::conjunction(Context context) {
    Value left = relation(context);
    while (tok_.isSymbol("&")) {
        advance();
        left = binary(ProgramOp::And, left, relation(context));
    }
    return left;
}

Value Compiler::relation(Context context) {
    Value left = sum(context);
    if (const uint8_t op = relationOp(tok_)) {
        if (context != Context::Condition) fail(E::ER_INVALIDEXP, tok_);
        advance();
        Value result = binary(op, left, sum(context));
        result.width = 8;
        left = result;
    }
    if (context == Context::Condition && tok_.isSymbol("=")) fail(E::ER_INVALIDEXP, tok_);
    return left;
}

Value Compiler::sum(Context context) {
    Value left = product(context);
    while (tok_.isSymbol("+") || tok_.isSymbol("-")) {
        const uint8_t op = tok_.text == "+" ? ProgramOp::Add : ProgramOp::Subtract;
        advance();
        left = binary(op, left, product(context));
    }
    return left;
}

Value Compiler::product(Context context) {
    Value left = unary(context);
    while (tok_.isSymbol("*") || tok_.isSymbol("/")) {
        const uint8_t op = tok_.text == "*" ? ProgramOp::Multiply : ProgramOp::Divide;
        advance();
        left = binary(op, left, unary(context));
    }
    return left;
}

Value Compiler::unary(Context context) {
    if (!tok_.isSymbol("-")) return primary(context);
    const Token minus = tok_;
    enter(minus);
    advance();
    const std::size_t start = code_.size();
    if (tok_.kind == Token::Number) {  // a negative literal may reach -2147483648
        const Token literal = tok_;
        advance();
        if (literal.number > -kInt32Min) warn(E::WR_OTU31B, literal);
        return constant(start, -literal.number);
    }
    ++depth_;
    Value operand = unary(context);
    --depth_;
    if (operand.constant) return constant(start, saturate(-*operand.constant));
    code_.op(ProgramOp::Negate);
    return Value{start, std::nullopt, operand.width};
}

Value Compiler::element(const ArrayInfo& array, Value& index) {
    const std::size_t start = code_.size();
    if (!tok_.isSymbol("[")) fail(E::ER_OBRACKETXPTD, tok_);
    advance();
    const Token at = tok_;
    ++depth_;
    index = expression(Context::Plain);
    --depth_;
    checkConstant(array.indexWarning, index, at);
    if (!tok_.isSymbol("]")) fail(E::ER_CBRACKETXPTD, tok_);
    advance();
    code_.op(ProgramOp::LoadElement);
    code_.u8(array.id);
    return Value{start, std::nullopt, array.width};
}

Value Compiler::primary(Context context) {
    const Token at = tok_;
    const std::size_t start = code_.size();
    enter(at);
    switch (at.kind) {
        case Token::Number:
            advance();
            if (at.number > kInt32Max) warn(E::WR_OTU31B, at);
            return constant(start, at.number);
        case Token::Name: {
            advance();
            if (const auto array = arrayOf(at.text)) {
                Value index;
                return element(*array, index);
            }
            const auto number = variableNumber(at.text);
            if (!number) fail(E::ER_INVALIDEXPTERM, at);
            code_.op(ProgramOp::Load);
            code_.u16(*number);
            return Value{start, std::nullopt, 32};
        }
        case Token::Word: {
            if (at.isWord("IN")) {
                advance();
                if (!tok_.isSymbol("(")) fail(E::ER_OPENPXPTD, tok_);
                advance();
                const Token argument = tok_;
                ++depth_;
                const Value n = expression(Context::Plain);
                --depth_;
                if (n.constant && (*n.constant < 1 || *n.constant > kInputs)) fail(E::ER_INVALIDINDEX, argument);
                if (tok_.isSymbol(",")) fail(E::ER_INVALIDNOPARAM, tok_);
                if (!tok_.isSymbol(")")) fail(E::ER_CLOSEPXPTD, tok_);
                advance();
                code_.op(ProgramOp::Input);
                return Value{start, std::nullopt, 32};
            }
            const ProgramCommand* command = findProgramCommand(at.text);
            if (!command || !command->has(ProgramCommand::Read)) fail(E::ER_INVALIDEXPTERM, at);
            advance();
            code_.op(ProgramOp::Read);
            code_.u8(command->id);
            return Value{start, std::nullopt, 32};
        }
        default:
            if (at.isSymbol("(")) {
                advance();
                ++depth_;
                Value inner = expression(context);
                --depth_;
                if (!tok_.isSymbol(")")) fail(E::ER_CLOSEPXPTD, tok_);
                advance();
                return inner;
            }
            fail(E::ER_INVALIDEXPTERM, at);
    }
}

// ------------------------------------------------------------ end of text

void Compiler::finish() {
    for (const Block& block : blocks_) reportOpen(block);
    for (const auto& [label, at] : jumps_)
        if (labels_[label] == 0) error(E::ER_DESTINATION, at.line, at.column);
    if (!sawEnd_) error(E::ER_ENDXPTD, lexer_.line(), lexer_.column());
}

}  // namespace

ProgramScan scanProgram(std::string_view text) {
    return Compiler(text).run();
}

void ProgramScanner::scan(const std::string& sourceFile) {
    const auto bytes = readProgramFile(sourceFile);
    if (!bytes) throw NumberedError::platform(PlatformErrors::FILE_NOT_FOUND);
    scanText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void ProgramScanner::scanText(std::string_view text) {
    result_ = scanProgram(text);
    cursor_ = 0;
}

const ProgramError& ProgramScanner::current() const {
    static const ProgramError none;
    return cursor_ < result_.entries.size() ? result_.entries[cursor_] : none;
}

}  // namespace vek
