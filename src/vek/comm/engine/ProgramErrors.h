#pragma once
#include <cstdint>
#include <string>

namespace vek {

// The codes of the program scanner's error list: errors 1..41, the fatal 70
// and the warnings 103..129. Their texts come from programErrorMessage.
namespace SingleMotorProgramErrorConstants {
enum Value : int16_t {
    ER_NEWLINEINSTRING = 1,
    ER_OPENPXPTD = 2,
    ER_CLOSEPXPTD = 3,
    ER_NUMXPTD = 4,
    ER_QUOTXPTD = 5,
    ER_COMMAXPTD = 6,
    ER_END = 7,
    ER_STRXPTD = 8,
    ER_NUMSIGNXPTD = 9,
    ER_COMTYPEXPTD = 10,
    ER_PARITYEXPTD = 11,
    ER_COMSPECXPTD = 12,
    ER_UPARAMXPTD = 13,
    ER_INVALIDNOPARAM = 14,
    ER_INVALIDEXPTERM = 15,
    ER_OBRACKETXPTD = 16,
    ER_CBRACKETXPTD = 17,
    ER_INVALIDINDEX = 18,
    ER_INVALIDEXP = 19,
    ER_SYNTAX = 20,
    ER_2MANYERRORS = 21,
    ER_2MANYWARNINGS = 22,
    ER_LVALUE = 23,
    ER_ENDXPTD = 24,
    ER_DESTINATION = 25,
    ER_IFWOENDIF = 26,
    ER_ELSEIFWOIF = 27,
    ER_ELSEWOIF = 28,
    ER_2ELSE = 29,
    ER_ELSEIFAFTERELSE = 30,
    ER_ENDIFWOIF = 31,
    ER_WHILEWOLOOP = 32,
    ER_LOOPWOWHILE = 33,
    ER_SWITCHWOENDS = 34,
    ER_CASEXPTD = 35,
    ER_CASEWOSWITCH = 36,
    ER_DEFAULTWOSWITCH = 37,
    ER_CASEAFTERDEFAULT = 38,
    ER_2DEFAULTS = 39,
    ER_ENDSWOSWITCH = 40,
    ER_BADBREAK = 41,
    FER_NESTING = 70,
    WR_OTU1B = 103,
    WR_OT0TO2 = 104,
    WR_OT1TO4 = 105,
    WR_OTU4B = 106,
    WR_OTI32 = 107,
    WR_OTU6B = 108,
    WR_OTI16 = 109,
    WR_OT2TO100 = 110,
    WR_OT0TO120 = 111,
    WR_OTU7B = 112,
    WR_OTI8 = 113,
    WR_OTS8B = 114,
    WR_OTU8B = 115,
    WR_OT0TO999 = 116,
    WR_OTU10B = 117,
    WR_OTU15B = 118,
    WR_OTS16B = 119,
    WR_OTU16B = 120,
    WR_OTU31B = 121,
    WR_OTBR = 123,
    WR_OT8 = 124,
    WR_DATARANGE = 129,
};
}  // namespace SingleMotorProgramErrorConstants

// Every code of SingleMotorProgramErrorConstants, in code order (64 of them).
inline constexpr int16_t kProgramErrorCodes[] = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20, 21,  22,
    23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  70, 103, 104,
    105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 123, 124, 129};

// The message of a scanner code, exactly as users see it; empty for a number
// that is no code.
std::string programErrorMessage(int32_t code);

// Codes from 100 up are warnings; below are errors (70 ends the scan).
inline bool isProgramWarning(int32_t code) {
    return code > 100;
}

}  // namespace vek
