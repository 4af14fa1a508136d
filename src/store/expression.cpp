#include "store/expression.h"

#include <optional>

#include "store/dates.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/text.h"

namespace store {
namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

struct Term {
    int column;
    Op op;
    std::string value;
    bool dateOrder = false;  // BIRTH and DATE order as dates
    std::optional<text::EqualTo> equalTo;
    std::optional<text::LikePattern> like;

    int order(std::string_view v) const {
        return dateOrder ? dates::compare(v, value) : text::compare(v, value);
    }

    bool matches(std::string_view v) const {
        switch (op) {
            case Op::Eq:
                return equalTo->matches(v);
            case Op::Ne:
                return !equalTo->matches(v);
            case Op::Like:
                return like->matches(v);
            case Op::Lt:
                return order(v) < 0;
            case Op::Gt:
                return order(v) > 0;
            case Op::Le:
                return order(v) <= 0;
            case Op::Ge:
                return order(v) >= 0;
        }
        return false;
    }
};

struct Node {
    enum Kind { Or, And, Leaf } kind = Leaf;
    std::vector<Node> children;
    int term = -1;
};

enum class Tok { End, Name, String, Op, LParen, RParen, Comma };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // name, unquoted string value or operator
    std::size_t at = 0;
};

bool isNameByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    [[noreturn]] void fail(std::size_t at, const std::string& reason) const {
        throw ExpressionError(text::positionOf(text_, at), reason);
    }

    Token next() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
        Token t;
        t.at = pos_;
        if (pos_ >= text_.size()) return t;
        char c = text_[pos_];
        if (c == '(' || c == ')' || c == ',') {
            t.kind = c == '(' ? Tok::LParen : (c == ')' ? Tok::RParen : Tok::Comma);
            ++pos_;
        } else if (c == '\'') {
            t.kind = Tok::String;
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size()) fail(t.at, "引號沒有結束，值的最後要有單引號「'」");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        t.text += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                t.text += text_[pos_++];
            }
        } else if (c == '[') {
            std::size_t close = text_.find(']', pos_);
            if (close == std::string_view::npos) fail(t.at, "欄位名稱的方括號「[」沒有結束");
            t.kind = Tok::Name;
            t.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
        } else if (c == '=' || c == '<' || c == '>') {
            t.kind = Tok::Op;
            t.text = c;
            ++pos_;
            if (pos_ < text_.size() && c != '=' &&
                (text_[pos_] == '=' || (c == '<' && text_[pos_] == '>'))) {
                t.text += text_[pos_++];
            }
        } else if (isNameByte(static_cast<unsigned char>(c))) {
            t.kind = Tok::Name;
            while (pos_ < text_.size() && isNameByte(static_cast<unsigned char>(text_[pos_])))
                t.text += text_[pos_++];
        } else {
            fail(t.at, std::string("無法解讀的字元「") + c + "」");
        }
        return t;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

int columnOf(std::string_view name, const std::vector<std::string>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (sameName(columns[i], name)) return static_cast<int>(i);
    return -1;
}

bool isKeyword(const Token& t, std::string_view word) {
    return t.kind == Tok::Name && sameName(t.text, word);
}

class Parser {
  public:
    Parser(std::string_view text, const std::vector<std::string>& columns, std::vector<Term>& terms)
        : lexer_(text), columns_(columns), terms_(terms) {
        advance();
    }

    Node parseAll() {
        Node n = parseOr();
        if (tok_.kind == Tok::RParen) lexer_.fail(tok_.at, "多了一個右括號「)」");
        if (tok_.kind != Tok::End)
            lexer_.fail(tok_.at, "條件後面有無法解讀的文字「" + tok_.text +
                                     "」，條件之間要用 And 或 Or 連接");
        return n;
    }

  private:
    void advance() { tok_ = lexer_.next(); }

    Node parseOr() {
        Node first = parseAnd();
        if (!isKeyword(tok_, "Or")) return first;
        Node n;
        n.kind = Node::Or;
        n.children.push_back(std::move(first));
        while (isKeyword(tok_, "Or")) {
            advance();
            n.children.push_back(parseAnd());
        }
        return n;
    }

    Node parseAnd() {
        Node first = parsePrimary();
        if (!isKeyword(tok_, "And")) return first;
        Node n;
        n.kind = Node::And;
        n.children.push_back(std::move(first));
        while (isKeyword(tok_, "And")) {
            advance();
            n.children.push_back(parsePrimary());
        }
        return n;
    }

    Node parsePrimary() {
        if (tok_.kind == Tok::LParen) {
            std::size_t open = tok_.at;
            // Each level costs a frame of the parser's stack; a deep enough text would overflow it.
            if (++depth_ > kMaxDepth)
                lexer_.fail(open, "括號的層數太多，最多 " + std::to_string(kMaxDepth) + " 層");
            advance();
            Node inner = parseOr();
            if (tok_.kind != Tok::RParen) lexer_.fail(open, "左括號「(」沒有對應的右括號「)」");
            advance();
            --depth_;
            return inner;
        }
        if (tok_.kind != Tok::Name || isKeyword(tok_, "And") || isKeyword(tok_, "Or"))
            lexer_.fail(tok_.at, "這裡缺少條件，條件的寫法是：欄位 運算子 '值'");
        int column = columnOf(tok_.text, columns_);
        if (column < 0) lexer_.fail(tok_.at, "沒有名為「" + tok_.text + "」的欄位");
        std::string field = tok_.text;
        advance();

        Term term;
        term.column = column;
        term.dateOrder = dates::isDateField(columns_[static_cast<std::size_t>(column)]);
        if (isKeyword(tok_, "like")) {
            term.op = Op::Like;
        } else if (tok_.kind == Tok::Op) {
            const std::string& o = tok_.text;
            term.op = o == "="    ? Op::Eq
                      : o == "<>" ? Op::Ne
                      : o == "<"  ? Op::Lt
                      : o == ">"  ? Op::Gt
                      : o == "<=" ? Op::Le
                                  : Op::Ge;
        } else {
            lexer_.fail(tok_.at,
                        "欄位「" + field + "」後面缺少比較運算子（= <> < > <= >= 或 like）");
        }
        advance();
        if (tok_.kind != Tok::String) lexer_.fail(tok_.at, "運算子後面缺少以單引號括住的值");
        term.value = tok_.text;
        advance();

        if (term.op == Op::Like)
            term.like.emplace(term.value);
        else
            term.equalTo.emplace(term.value);
        terms_.push_back(std::move(term));
        Node leaf;
        leaf.term = static_cast<int>(terms_.size()) - 1;
        return leaf;
    }

    static constexpr int kMaxDepth = 200;

    Lexer lexer_;
    const std::vector<std::string>& columns_;
    std::vector<Term>& terms_;
    Token tok_;
    int depth_ = 0;
};

bool isBlank(std::string_view s) {
    return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

struct Expression::Impl {
    std::vector<Term> terms;
    Node root;

    bool eval(const Node& n, const FieldSource& row) const {
        switch (n.kind) {
            case Node::Leaf: {
                const Term& t = terms[static_cast<std::size_t>(n.term)];
                return t.matches(row.field(t.column));
            }
            case Node::And:
                for (const Node& c : n.children)
                    if (!eval(c, row)) return false;
                return true;
            case Node::Or:
                for (const Node& c : n.children)
                    if (eval(c, row)) return true;
                return false;
        }
        return false;
    }
};

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::parse(std::string_view text, const std::vector<std::string>& columns) {
    Expression e;
    if (isBlank(text)) return e;
    auto impl = std::make_unique<Impl>();
    Parser parser(text, columns, impl->terms);
    impl->root = parser.parseAll();
    e.impl_ = std::move(impl);
    return e;
}

bool Expression::empty() const {
    return !impl_;
}

bool Expression::matches(const FieldSource& row) const {
    return !impl_ || impl_->eval(impl_->root, row);
}

std::vector<SortKey> parseSort(std::string_view text, const std::vector<std::string>& columns) {
    std::vector<SortKey> keys;
    if (isBlank(text)) return keys;
    Lexer lexer(text);
    Token t = lexer.next();
    for (;;) {
        if (t.kind != Tok::Name) lexer.fail(t.at, "這裡缺少排序的欄位名稱");
        int column = columnOf(t.text, columns);
        if (column < 0) lexer.fail(t.at, "沒有名為「" + t.text + "」的欄位");
        SortKey key{column, false};
        t = lexer.next();
        if (isKeyword(t, "ASC") || isKeyword(t, "DESC")) {
            key.descending = isKeyword(t, "DESC");
            t = lexer.next();
        }
        keys.push_back(key);
        if (t.kind == Tok::End) break;
        if (t.kind != Tok::Comma) lexer.fail(t.at, "排序方向只能是 ASC 或 DESC");
        t = lexer.next();
    }
    return keys;
}

std::string quoteValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace store
