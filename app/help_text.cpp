#include "app/help_text.h"

#include <array>

namespace dbc {

namespace {

constexpr std::array<const char*, 25> kHelpLines = {
    "一、功能说明：",
    "    本工具用于比对SQL数据库：以源数据库为标准，",
    "拿目标数据库与它比较。",
    "    目标数据库少了表或字段，字段类型、长度不同，",
    "或索引、存储过程、视图、触发器、默认值不同，",
    "就产生相应的SQL语句。",
    "",
    "二、操作方法：",
    "    先填好源数据库的连接属性（服务器名、",
    "数据库名、用户名、密码），按“读源数据”；",
    "再填目标数据库的连接属性，按“比 对”，",
    "就会产生相应的SQL语句；然后按“执 行”。",
    "    文本框的右键菜单中的“保存脚本...”",
    "把语句存成文件。",
    "    操作举例：",
    "    程序开发员自己电脑上的数据库是最新的，",
    "而某客户的数据库和程序都是N年前的，",
    "现在要用新程序的功能，就可以用这个工具：",
    "先在程序员电脑上运行本工具，填上数据库属性，",
    "按“读源数据”；",
    "然后把这个工具程序和同目录下的Source.mdb，",
    "一起拿到客户的电脑上运行，",
    "填上数据库属性，按“比 对”，然后按“执 行”，",
    "一切就都好了。",
    "",
};

} // namespace

QStringList helpTextLines() {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(kHelpLines.size()));
    for (const char* line : kHelpLines)
        lines.append(QString::fromUtf8(line));
    return lines;
}

QString helpText() {
    return helpTextLines().join(QLatin1Char('\n'));
}

} // namespace dbc
