#include "testserver/engine/sql_type.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <array>

namespace testserver {

namespace {

using A = TypeArguments;

// name, xtype, length, xprec, xscale, arguments, character, unicode, identity, xusertype
constexpr std::array<BuiltinType, 26> kTypes{{
    {"image", 34, 16, 0, 0, A::None, false, false, false, 34},
    {"text", 35, 16, 0, 0, A::None, true, false, false, 35},
    {"uniqueidentifier", 36, 16, 0, 0, A::None, false, false, false, 36},
    {"tinyint", 48, 1, 3, 0, A::None, false, false, true, 48},
    {"smallint", 52, 2, 5, 0, A::None, false, false, true, 52},
    {"int", 56, 4, 10, 0, A::None, false, false, true, 56},
    {"smalldatetime", 58, 4, 16, 0, A::None, false, false, false, 58},
    {"real", 59, 4, 24, 0, A::None, false, false, false, 59},
    {"money", 60, 8, 19, 4, A::None, false, false, false, 60},
    {"datetime", 61, 8, 23, 3, A::None, false, false, false, 61},
    {"float", 62, 8, 53, 0, A::FloatPrecision, false, false, false, 62},
    {"sql_variant", 98, 8016, 0, 0, A::None, false, false, false, 98},
    {"ntext", 99, 16, 0, 0, A::None, true, true, false, 99},
    {"bit", 104, 1, 1, 0, A::None, false, false, false, 104},
    {"decimal", 106, 17, 38, 38, A::PrecisionScale, false, false, true, 106},
    {"numeric", 108, 17, 38, 38, A::PrecisionScale, false, false, true, 108},
    {"smallmoney", 122, 4, 10, 4, A::None, false, false, false, 122},
    {"bigint", 127, 8, 19, 0, A::None, false, false, true, 127},
    {"varbinary", 165, 8000, 0, 0, A::Length, false, false, false, 165},
    {"varchar", 167, 8000, 0, 0, A::Length, true, false, false, 167},
    {"binary", 173, 8000, 0, 0, A::Length, false, false, false, 173},
    {"char", 175, 8000, 0, 0, A::Length, true, false, false, 175},
    {"timestamp", 189, 8, 0, 0, A::None, false, false, false, 80},
    {"nvarchar", 231, 8000, 0, 0, A::Length, true, true, false, 231},
    {"nchar", 239, 8000, 0, 0, A::Length, true, true, false, 239},
    {"sysname", 231, 256, 0, 0, A::None, true, true, false, 256},
}};

// Storage bytes of decimal/numeric by precision.
int decimalLength(int precision) {
    if (precision <= 9)
        return 5;
    if (precision <= 19)
        return 9;
    if (precision <= 28)
        return 13;
    return 17;
}

// ODBC-style scale as syscolumns.scale shows it; no scale for character,
// binary and approximate types.
std::optional<int> scaleOf(const BuiltinType& type, int xscale) {
    switch (type.xtype) {
    case 48:
    case 52:
    case 56:
    case 127:
    case 104:
    case 58:
        return 0;
    case 60:
    case 122:
        return 4;
    case 61:
        return 3;
    case 106:
    case 108:
        return xscale;
    default:
        return std::nullopt;
    }
}

// xml, date, time, datetime2, datetimeoffset: their xtype is their
// xusertype. hierarchyid, geometry and geography (2008, CLR types): xtype
// 240, xusertype 128, 129 and 130.
constexpr std::array<LaterBuiltinType, 8> kLaterTypes{{
    {"xml", 2005, 241, false},
    {"date", 2008, 40, false},
    {"time", 2008, 41, true},
    {"datetime2", 2008, 42, true},
    {"datetimeoffset", 2008, 43, true},
    {"hierarchyid", 2008, 240, false, 128, 892},
    {"geometry", 2008, 240, false, 129, -1},
    {"geography", 2008, 240, false, 130, -1},
}};

// sys.columns' max_length and precision of the date and time types by their
// scale (fractional-second digits): time(7) is 5 bytes and 16 digits,
// datetime2(7) 8 and 27, datetimeoffset(7) 10 and 34, date 3 and 10.
ColumnTypeValues laterTypeValues(const LaterBuiltinType& type, const DeclaredType& declared,
                                 int columnNumber) {
    ColumnTypeValues values;
    values.xtype = type.xtype;
    values.xusertype = type.xusertype != 0 ? type.xusertype : type.xtype;
    if (!type.fractionalSeconds) {
        if (declared.first)
            throw messages::widthNotAllowed(columnNumber, type.name);
        if (type.xusertype != 0) { // a CLR type
            values.length = type.clrLength;
            values.prec = type.clrLength == -1 ? -1 : 0;
            return values;
        }
        if (type.xtype == 241) { // xml: a large value type
            values.length = -1;
            values.prec = -1;
            return values;
        }
        values.length = 3; // date
        values.xprec = 10;
        values.prec = 10;
        values.scale = 0;
        return values;
    }
    if (declared.second)
        throw messages::syntaxNear(",");
    const int digits = declared.first.value_or(7);
    if (digits < 0 || digits > 7)
        throw messages::invalidLength(digits);
    const int timeBytes = digits <= 2 ? 3 : digits <= 4 ? 4 : 5;
    const int fraction = digits > 0 ? digits + 1 : 0;
    switch (type.xtype) {
    case 41: // time
        values.length = timeBytes;
        values.xprec = 8 + fraction;
        break;
    case 42: // datetime2: the time and 3 bytes of date
        values.length = timeBytes + 3;
        values.xprec = 19 + fraction;
        break;
    default: // datetimeoffset: and 2 bytes of offset
        values.length = timeBytes + 5;
        values.xprec = 26 + fraction;
        break;
    }
    values.xscale = digits;
    values.prec = values.xprec;
    values.scale = digits;
    return values;
}

ColumnTypeValues lengthType(const BuiltinType& type, const DeclaredType& declared,
                            std::string_view columnName, int columnNumber, int serverYear) {
    int count = declared.first.value_or(1);
    if (declared.second)
        throw messages::syntaxNear(",");
    // (max): varchar, nvarchar and varbinary from 2005 on; -1 in syscolumns'
    // length and prec, as its compatibility view shows a large value type.
    if (count == -1 && serverYear >= 2005 &&
        (type.xtype == 167 || type.xtype == 231 || type.xtype == 165)) {
        ColumnTypeValues values;
        values.length = -1;
        values.prec = -1;
        values.typestat = 2;
        return values;
    }
    if (count == -1)
        throw messages::syntaxNear("max");
    if (count <= 0)
        throw messages::invalidLength(count);
    int maximum = type.unicode ? 4000 : 8000;
    if (count > maximum)
        throw messages::sizeTooLarge(count, columnName, maximum);
    (void)columnNumber;
    ColumnTypeValues values;
    values.length = type.unicode ? count * 2 : count;
    values.prec = count;
    values.typestat = 2;
    return values;
}

} // namespace

std::span<const BuiltinType> builtinTypes() {
    return kTypes;
}

const LaterBuiltinType* findLaterBuiltinType(std::string_view name) {
    for (const LaterBuiltinType& type : kLaterTypes)
        if (namesEqual(type.name, name))
            return &type;
    return nullptr;
}

const BuiltinType* findBuiltinType(std::string_view name) {
    for (const BuiltinType& type : kTypes)
        if (namesEqual(type.name, name))
            return &type;
    return nullptr;
}

ColumnTypeValues columnTypeValues(const DeclaredType& declared, std::string_view columnName,
                                  int columnNumber, int serverYear) {
    std::string name = declared.name;
    if (namesEqual(name, "dec"))
        name = "decimal";
    else if (namesEqual(name, "integer"))
        name = "int";
    else if (namesEqual(name, "character"))
        name = "char";
    const BuiltinType* found = findBuiltinType(name);
    if (!found) {
        const LaterBuiltinType* later = findLaterBuiltinType(name);
        if (!later || later->sinceYear > serverYear)
            throw messages::unknownType(columnNumber, declared.name);
        return laterTypeValues(*later, declared, columnNumber);
    }
    const BuiltinType* type = found;

    ColumnTypeValues values;
    switch (type->arguments) {
    case A::None:
        if (declared.first)
            throw messages::widthNotAllowed(columnNumber, type->name);
        values.length = type->length;
        values.xprec = type->xprec;
        values.xscale = type->xscale;
        if (type->xtype == 34 || type->xtype == 35 || type->xtype == 99)
            values.prec = std::nullopt; // text, ntext, image carry no precision
        else if (type->xtype == 231)    // sysname: nvarchar(128)
            values.prec = 128;
        else
            values.prec = type->xprec;
        break;
    case A::Length:
        values = lengthType(*type, declared, columnName, columnNumber, serverYear);
        break;
    case A::PrecisionScale: {
        int precision = declared.first.value_or(18);
        int scale = declared.second.value_or(0);
        if (precision <= 0)
            throw messages::invalidLength(precision);
        if (precision > 38)
            throw messages::precisionTooLarge(columnNumber, precision);
        if (scale > precision)
            throw messages::scaleTooLarge(columnNumber, scale, precision);
        values.length = decimalLength(precision);
        values.prec = precision;
        values.xprec = precision;
        values.xscale = scale;
        break;
    }
    case A::FloatPrecision: {
        int bits = declared.first.value_or(53);
        if (declared.second)
            throw messages::syntaxNear(",");
        if (bits <= 0 || bits > 53)
            throw messages::invalidLength(bits);
        if (bits <= 24)
            type = findBuiltinType("real");
        values.length = type->length;
        values.prec = type->xprec;
        values.xprec = type->xprec;
        break;
    }
    }
    values.xtype = type->xtype;
    values.xusertype = type->xusertype;
    values.character = type->character;
    values.identityAllowed = type->identityAllowed;
    values.scale = scaleOf(*type, values.xscale);
    if (type->arguments != A::Length && type->xtype == 231) // sysname keeps nvarchar's width
        values.length = 256;
    return values;
}

} // namespace testserver
