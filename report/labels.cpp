#include "report/labels.h"

#include <map>

namespace dbc::report {

const char* kindLabel(DifferenceKind kind) {
    switch (kind) {
    case DifferenceKind::Table:
        return "表";
    case DifferenceKind::Column:
        return "字段";
    case DifferenceKind::IndexOrKey:
        return "索引和键";
    case DifferenceKind::Constraint:
        return "约束";
    case DifferenceKind::Module:
        return "存储过程、视图、触发器、函数";
    case DifferenceKind::Default:
        return "默认值";
    case DifferenceKind::Other:
        return "其他";
    }
    return "其他";
}

const char* presenceLabel(Presence presence) {
    switch (presence) {
    case Presence::OnlyInSource:
        return "仅源数据库有";
    case Presence::OnlyInTarget:
        return "仅目标数据库有";
    case Presence::Different:
        return "不一样";
    case Presence::Rebuilt:
        return "相同，因其他修改而删除后重建";
    }
    return "不一样";
}

namespace {

std::string lookUp(const std::map<std::string, std::string>& labels, const std::string& name) {
    const auto found = labels.find(name);
    return found == labels.end() ? name : found->second;
}

} // namespace

std::string fieldLabel(const std::string& name) {
    static const std::map<std::string, std::string> labels{
        {"type", "类型"},          {"length", "字段长度"}, {"nullable", "允许空值"},
        {"collation", "排序规则"}, {"identity", "标识列"}, {"clustered", "聚集"},
        {"keys", "键列"},          {"column", "字段名"},   {"value", "默认值"}};
    return lookUp(labels, name);
}

std::string objectTypeLabel(const std::string& type) {
    static const std::map<std::string, std::string> labels{{"table", "表"},
                                                           {"column", "字段"},
                                                           {"index", "索引"},
                                                           {"unique index", "唯一索引"},
                                                           {"primary key", "主键"},
                                                           {"unique constraint", "唯一约束"},
                                                           {"key constraint", "键约束"},
                                                           {"procedure", "存储过程"},
                                                           {"view", "视图"},
                                                           {"trigger", "触发器"},
                                                           {"function", "函数"},
                                                           {"default", "默认值"},
                                                           {"foreign key", "外键"}};
    return lookUp(labels, type);
}

std::string valueLabel(const std::string& value) {
    if (value == "yes")
        return "是";
    if (value == "no")
        return "否";
    return value;
}

} // namespace dbc::report
