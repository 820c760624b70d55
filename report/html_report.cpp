#include "report/html_report.h"

#include "report/labels.h"
#include "report/line_diff.h"

#include <algorithm>
#include <sstream>

namespace dbc::report {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

constexpr const char* style = R"(
body{font-family:"WenQuanYi Micro Hei","Microsoft YaHei",sans-serif;margin:1.5em;color:#222}
h1{font-size:1.5em}h2{font-size:1.25em;border-bottom:2px solid #36c;padding-bottom:.2em;margin-top:2em}
h3{font-size:1.1em;margin-top:1.4em}h4{font-size:1em;color:#555;margin:.8em 0 .4em}
table{border-collapse:collapse;margin:.3em 0}th,td{border:1px solid #bbb;padding:.2em .6em;text-align:left;vertical-align:top}
th{background:#eef}td.n{text-align:right}.failed{color:#b00}.ok{color:#070}
.difference{border-left:4px solid #36c;padding:.3em .8em;margin:.6em 0;background:#fafafa}
.only-source{border-color:#2a2}.only-target{border-color:#c33}.different{border-color:#e90}.rebuilt{border-color:#999}
.object{font-weight:bold}.type{color:#555;margin-right:.5em}
td.differs{background:#ffe08a;font-weight:bold}td.differs::after{content:" ≠";color:#c60}
pre{font-family:"DejaVu Sans Mono",monospace;font-size:.85em;white-space:pre-wrap;margin:.3em 0;padding:.4em;background:#f4f4f4;border:1px solid #ddd}
pre.diff span{display:block}pre.diff .add{background:#d8f5d8;color:#060}pre.diff .del{background:#fadada;color:#900}
.note{color:#666;font-size:.9em}.note .add{color:#060}.note .del{color:#900}.fields{margin:.2em 0}.field{color:#36c}
)";

void writeFields(std::ostream& out, const Difference& d) {
    if (d.fields.empty())
        return;
    // One side only (or both alike): its definition on one line.
    if (d.presence != Presence::Different) {
        out << "<div class=\"fields\">";
        bool first = true;
        for (const DefinitionField& field : d.fields) {
            const std::string& value =
                d.presence == Presence::OnlyInTarget ? field.target : field.source;
            if (value.empty())
                continue;
            // A new table's fields are its columns, named as they are.
            const std::string label =
                d.kind == DifferenceKind::Table ? field.name : fieldLabel(field.name);
            out << (first ? "" : " · ") << "<span class=\"field\">" << escaped(label) << "</span> "
                << escaped(valueLabel(value));
            first = false;
        }
        out << "</div>\n";
        return;
    }
    // Both sides: a row each under the parts' labels, differing parts marked.
    out << "<table class=\"definition\"><tr><th></th>";
    for (const DefinitionField& field : d.fields)
        out << "<th>" << escaped(fieldLabel(field.name)) << "</th>";
    out << "</tr>\n";
    for (const bool source : {true, false}) {
        out << "<tr><th>" << (source ? "源数据库" : "目标数据库") << "</th>";
        for (const DefinitionField& field : d.fields)
            out << "<td" << (field.differs ? " class=\"differs\"" : "") << ">"
                << escaped(valueLabel(source ? field.source : field.target)) << "</td>";
        out << "</tr>\n";
    }
    out << "</table>\n";
}

void writeTexts(std::ostream& out, const Difference& d) {
    if (d.targetTextUnreadable)
        out << "<p class=\"note\">目标数据库中此对象的文本无法读取(可能已加密)</p>\n";
    if (d.sourceText && d.targetText) {
        out << "<p class=\"note\">文本比较：<span class=\"del\">- 仅目标数据库有的行</span>，"
               "<span class=\"add\">+ 仅源数据库有的行</span></p>\n<pre class=\"diff\">";
        for (const DiffLine& line : lineDiff(*d.targetText, *d.sourceText)) {
            const char* cls = line.op == DiffLine::OnlyInSource   ? " class=\"add\""
                              : line.op == DiffLine::OnlyInTarget ? " class=\"del\""
                                                                  : "";
            const char* mark = line.op == DiffLine::OnlyInSource   ? "+ "
                               : line.op == DiffLine::OnlyInTarget ? "- "
                                                                   : "  ";
            out << "<span" << cls << ">" << mark << escaped(line.text) << "</span>";
        }
        out << "</pre>\n";
    }
}

const char* presenceClass(Presence presence) {
    switch (presence) {
    case Presence::OnlyInSource:
        return "only-source";
    case Presence::OnlyInTarget:
        return "only-target";
    case Presence::Different:
        return "different";
    case Presence::Rebuilt:
        return "rebuilt";
    }
    return "different";
}

void writeDifference(std::ostream& out, const Difference& d) {
    out << "<div class=\"difference " << presenceClass(d.presence)
        << "\"><div><span class=\"type\">" << escaped(objectTypeLabel(d.objectType))
        << "</span><span class=\"object\">"
        << escaped(d.table.empty() ? d.name : d.table + "." + d.name) << "</span></div>\n";
    writeFields(out, d);
    writeTexts(out, d);
    if (!d.statements.empty()) {
        out << "<div class=\"note\">产生的语句：</div><pre class=\"sql\">";
        for (std::size_t i = 0; i < d.statements.size(); ++i)
            out << (i ? "\n" : "") << escaped(d.statements[i]);
        out << "</pre>\n";
    }
    out << "</div>\n";
}

std::string targetTitle(const TargetReport& t) {
    return t.server + " / " + t.database;
}

void writeOverview(std::ostream& out, const std::vector<TargetReport>& targets) {
    const bool executed = std::any_of(targets.begin(), targets.end(),
                                      [](const TargetReport& t) { return bool(t.execution); });
    out << "<h2>概览</h2>\n<table class=\"overview\"><tr><th>服务器名</th><th>数据库名</th>"
           "<th>结果</th>";
    for (DifferenceKind kind : differenceKinds)
        out << "<th>" << kindLabel(kind) << "</th>";
    out << "<th>语句数</th>" << (executed ? "<th>执行被拒绝的语句</th>" : "") << "</tr>\n";
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const TargetReport& t = targets[i];
        out << "<tr><td><a href=\"#target-" << i + 1 << "\">" << escaped(t.server)
            << "</a></td><td>" << escaped(t.database) << "</td>";
        if (t.error)
            out << "<td class=\"failed\">" << (t.reachable ? "比对失败" : "无法连接") << "</td>";
        else
            out << "<td class=\"ok\">" << (t.differences.empty() ? "一致" : "有差异") << "</td>";
        // A target that was not compared has no counts, not counts of 0.
        for (DifferenceKind kind : differenceKinds)
            out << "<td class=\"n\">" << (t.error ? "-" : std::to_string(countOf(t, kind)))
                << "</td>";
        out << "<td class=\"n\">" << (t.error ? "-" : std::to_string(t.statementsWritten))
            << "</td>";
        if (executed)
            out << "<td class=\"n\">"
                << (t.execution ? std::to_string(t.execution->refused) : std::string("-"))
                << "</td>";
        out << "</tr>\n";
    }
    out << "</table>\n";
}

void writeTarget(std::ostream& out, const TargetReport& t, std::size_t number) {
    out << "<section id=\"target-" << number << "\"><h2>目标数据库 " << escaped(targetTitle(t))
        << "</h2>\n";
    if (t.error)
        out << "<p class=\"failed\">" << (t.reachable ? "比对失败：" : "无法连接到服务器：")
            << escaped(*t.error) << "</p>\n";
    else if (t.differences.empty())
        out << "<p class=\"ok\">与源数据一致，没有差异。</p>\n";
    if (t.execution)
        out << "<p>执行了 " << t.execution->statements << " 条语句，其中 " << t.execution->refused
            << " 条被拒绝。</p>\n";
    for (DifferenceKind kind : differenceKinds) {
        if (std::none_of(t.differences.begin(), t.differences.end(),
                         [&](const Difference& d) { return d.kind == kind; }))
            continue;
        out << "<h3 id=\"target-" << number << "-" << kindKey(kind) << "\">" << kindLabel(kind)
            << " (" << countOf(t, kind) << ")</h3>\n";
        for (Presence presence : presences) {
            std::size_t count = 0;
            for (const Difference& d : t.differences)
                count += d.kind == kind && d.presence == presence;
            if (count == 0)
                continue;
            out << "<h4>" << presenceLabel(presence) << " (" << count << ")</h4>\n";
            for (const Difference& d : t.differences) {
                if (d.kind == kind && d.presence == presence)
                    writeDifference(out, d);
            }
        }
    }
    out << "</section>\n";
}

} // namespace

std::string renderHtmlReport(const ReportSource& source, const std::vector<TargetReport>& targets) {
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<title>数据库比对差异报告</title><style>"
        << style << "</style></head>\n<body>\n<h1>数据库比对差异报告</h1>\n<p>源数据：";
    if (!source.database.empty())
        out << "数据库 " << escaped(source.database) << "，服务器 " << escaped(source.server)
            << "，读取于 " << escaped(source.capturedAt) << " UTC；";
    out << "文件 " << escaped(source.snapshotFile) << "<br>报告生成于 "
        << escaped(source.generatedAt) << " UTC</p>\n";
    writeOverview(out, targets);
    for (std::size_t i = 0; i < targets.size(); ++i)
        writeTarget(out, targets[i], i + 1);
    out << "</body></html>\n";
    return out.str();
}

} // namespace dbc::report
