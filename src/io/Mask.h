#pragma once

#include <QString>
#include <vector>

// Wildcard mask over a whole name, letter case ignored: "*" any run (also
// none), "?" one character, "[abc]" one of a set, "a-z" a range inside a set,
// "!" first in a set negates it. An unclosed "[" is an ordinary character.
class TMask {
public:
    explicit TMask(const QString& mask);
    bool Matches(const QString& name) const;

private:
    struct Token {
        enum Kind { Literal, Any, Star, Set } kind;
        QChar ch;
        bool negate = false;
        std::vector<std::pair<QChar, QChar>> ranges;
    };
    bool TokenMatches(const Token& t, QChar c) const;
    std::vector<Token> tokens;
};
