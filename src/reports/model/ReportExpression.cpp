#include "ReportExpression.h"

#include "core/Errors.h"
#include "core/NumberFormat.h"

#include <variant>

using namespace Qt::StringLiterals;

namespace {

struct Result {
    enum Kind { Null, Number, Text };
    Kind kind = Null;
    double number = 0;
    QString text;
    Value raw; // a column's value as it came
};

} // namespace

struct ReportExpression::Node {
    enum Kind { Literal, Column, Sum, FormatNumeric };
    Kind kind = Literal;
    QString text; // literal; column: data set name
    QString column;
    std::vector<std::unique_ptr<Node>> args;
    double total = 0; // SUM
};

namespace {

class Parser {
public:
    explicit Parser(const QString& text) : s(text) {}

    std::unique_ptr<ReportExpression::Node> parseAll() {
        auto n = parse();
        skipSpace();
        if (pos != s.size()) fail();
        return n;
    }

private:
    using Node = ReportExpression::Node;
    const QString& s;
    qsizetype pos = 0;

    [[noreturn]] void fail() const {
        throw FormatError(
            u"Hibás kifejezés a nyomtatási képben: %1 (a(z) %2. karakternél)"_s.arg(s).arg(pos + 1));
    }
    void skipSpace() {
        while (pos < s.size() && s[pos].isSpace())
            ++pos;
    }
    bool take(QChar c) {
        skipSpace();
        if (pos < s.size() && s[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    QString identifier() {
        skipSpace();
        const qsizetype start = pos;
        while (pos < s.size() && (s[pos].isLetterOrNumber() || s[pos] == u'_'))
            ++pos;
        if (pos == start) fail();
        return s.mid(start, pos - start);
    }
    std::unique_ptr<Node> parse() {
        skipSpace();
        if (pos >= s.size()) fail();
        auto node = std::make_unique<Node>();
        if (s[pos] == u'\'') {
            ++pos;
            QString lit;
            for (;;) {
                if (pos >= s.size()) fail();
                const QChar c = s[pos++];
                if (c == u'\\' && pos < s.size()) {
                    const QChar e = s[pos++];
                    lit += e == u'n' ? QChar(u'\n') : e == u'r' ? QChar(u'\r') : e;
                } else if (c == u'\'') {
                    if (pos < s.size() && s[pos] == u'\'') {
                        lit += u'\'';
                        ++pos;
                    } else {
                        break;
                    }
                } else {
                    lit += c;
                }
            }
            node->kind = Node::Literal;
            node->text = lit;
            return node;
        }
        const QString name = identifier();
        if (take(u'.')) {
            node->kind = Node::Column;
            node->text = name;
            node->column = identifier();
            return node;
        }
        const QString upper = name.toUpper();
        if (upper == u"SUM"_s)
            node->kind = Node::Sum;
        else if (upper == u"FORMATNUMERIC"_s)
            node->kind = Node::FormatNumeric;
        else
            fail();
        if (!take(u'(')) fail();
        node->args.push_back(parse());
        while (take(u','))
            node->args.push_back(parse());
        if (!take(u')')) fail();
        const size_t want = node->kind == Node::Sum ? 1 : 2;
        if (node->args.size() != want) fail();
        return node;
    }
};

void collectSums(ReportExpression::Node* n, std::vector<ReportExpression::Node*>& out) {
    if (n->kind == ReportExpression::Node::Sum) out.push_back(n);
    for (auto& a : n->args)
        collectSums(a.get(), out);
}

Result evalNode(const ReportExpression::Node& n, const ReportExpression::Resolver& resolve) {
    using Node = ReportExpression::Node;
    Result r;
    switch (n.kind) {
    case Node::Literal:
        r.kind = Result::Text;
        r.text = n.text;
        break;
    case Node::Column: {
        r.raw = resolve(n.text, n.column);
        if (r.raw.isNull()) break;
        bool ok = false;
        if (IsNumericType(r.raw.type())) {
            r.number = r.raw.toDouble(&ok);
            if (ok) {
                r.kind = Result::Number;
                r.text = r.raw.text();
                break;
            }
        }
        r.kind = Result::Text;
        r.text = r.raw.text();
        break;
    }
    case Node::Sum:
        r.kind = Result::Number;
        r.number = n.total;
        break;
    case Node::FormatNumeric: {
        const Result mask = evalNode(*n.args[0], resolve);
        const Result x = evalNode(*n.args[1], resolve);
        double v = x.number;
        if (x.kind == Result::Text) v = x.text.trimmed().toDouble();
        r.kind = Result::Text;
        r.text = x.kind == Result::Null ? QString() : FormatNumeric(mask.text, v);
        break;
    }
    }
    return r;
}

QString resultText(const Result& r) {
    switch (r.kind) {
    case Result::Null:
        return {};
    case Result::Text:
        return r.text;
    case Result::Number:
        return r.raw.isNull() ? QString::number(r.number, 'g', 15) : r.text;
    }
    return {};
}

} // namespace

ReportExpression::ReportExpression(const QString& text) : m_text(text) {
    m_root = Parser(text).parseAll();
    collectSums(m_root.get(), m_sums);
}

ReportExpression::~ReportExpression() = default;
ReportExpression::ReportExpression(ReportExpression&&) noexcept = default;
ReportExpression& ReportExpression::operator=(ReportExpression&&) noexcept = default;

bool ReportExpression::hasAggregate() const {
    return !m_sums.empty();
}

void ReportExpression::accumulate(const Resolver& resolve) {
    for (Node* sum : m_sums) {
        const Result x = evalNode(*sum->args[0], resolve);
        if (x.kind == Result::Number)
            sum->total += x.number;
        else if (x.kind == Result::Text)
            sum->total += x.text.trimmed().toDouble();
    }
}

void ReportExpression::reset() {
    for (Node* sum : m_sums)
        sum->total = 0;
}

QString ReportExpression::evaluate(const Resolver& resolve) const {
    return resultText(evalNode(*m_root, resolve));
}
