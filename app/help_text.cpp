#include "app/help_text.h"

#include <array>

namespace dbc {

namespace {

constexpr std::array<const char*, 32> kHelpLines = {
    "一.功能说明:",
    "    本工具用于对比SQL数据库,以源数据库为标准",
    "数据库,",
    "然后拿目标数据库与标准数据库比较,如果目标数",
    "据库少",
    "了表,或少了字段,或字段类型长度不一样,或索引",
    "不一样,",
    "或存储过程,视图,触发器,默认值等不一样,就产生",
    "相应的S",
    "QL语句!",
    "",
    "二.操作方法:",
    "    先把源数据库的连接属性(数据库名,服务器名,",
    "用户名,",
    "密码)填好,按读源数据,然后再填目标数据库的连",
    "接属性,",
    "按比对,就会产生相应的SQL语句,然后按执行按钮,",
    "或在查",
    "询分析里执行这些段语句就OK!",
    "    操作举例:",
    "    程序开发员自己电脑上的数据库是最新的,而某",
    "客户的",
    "数据库和程序都是N年前的,现在要用新程序的功",
    "能,那就",
    "可用这个工具,先在程序员电脑上运行本工具,填",
    "上数据库",
    "属性,按'读源数据',然后把这个工具程序及同目录",
    "下的sour",
    "ce.mdb一起拿到客户的电脑上,运行,填上数据库属",
    "性,按'比",
    "对',然后按'执行',一切都OK了!",
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
