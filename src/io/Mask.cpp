#include "io/Mask.h"

namespace {
QChar Fold(QChar c) {
    return c.toCaseFolded();
}
} // namespace

TMask::TMask(const QString& mask) {
    for (int i = 0; i < mask.size(); ++i) {
        QChar c = mask[i];
        if (c == QLatin1Char('*')) {
            if (tokens.empty() || tokens.back().kind != Token::Star)
                tokens.push_back({Token::Star, {}, false, {}});
        } else if (c == QLatin1Char('?')) {
            tokens.push_back({Token::Any, {}, false, {}});
        } else if (c == QLatin1Char('[') && mask.indexOf(QLatin1Char(']'), i + 1) > i) {
            Token t{Token::Set, {}, false, {}};
            int j = i + 1;
            if (j < mask.size() && mask[j] == QLatin1Char('!')) {
                t.negate = true;
                ++j;
            }
            int end = mask.indexOf(QLatin1Char(']'), j);
            if (end < 0) {
                tokens.push_back({Token::Literal, Fold(c), false, {}});
                continue;
            }
            while (j < end) {
                QChar lo = Fold(mask[j]);
                if (j + 2 < end && mask[j + 1] == QLatin1Char('-')) {
                    QChar hi = Fold(mask[j + 2]);
                    t.ranges.emplace_back(lo, hi);
                    j += 3;
                } else {
                    t.ranges.emplace_back(lo, lo);
                    ++j;
                }
            }
            tokens.push_back(std::move(t));
            i = end;
        } else {
            tokens.push_back({Token::Literal, Fold(c), false, {}});
        }
    }
}

bool TMask::TokenMatches(const Token& t, QChar c) const {
    c = Fold(c);
    switch (t.kind) {
    case Token::Literal:
        return t.ch == c;
    case Token::Any:
        return true;
    case Token::Set: {
        bool in = false;
        for (auto& [lo, hi] : t.ranges)
            if (c >= lo && c <= hi) {
                in = true;
                break;
            }
        return in != t.negate;
    }
    case Token::Star:
        break;
    }
    return false;
}

bool TMask::Matches(const QString& name) const {
    // Greedy match with one backtrack point: every token but "*" takes
    // exactly one character, so this is linear in practice and never
    // exponential.
    size_t ti = 0;
    int ni = 0;
    size_t starT = SIZE_MAX;
    int starN = 0;
    const int n = name.size();
    while (ni < n) {
        if (ti < tokens.size() && tokens[ti].kind == Token::Star) {
            starT = ti++;
            starN = ni;
        } else if (ti < tokens.size() && TokenMatches(tokens[ti], name[ni])) {
            ++ti;
            ++ni;
        } else if (starT != SIZE_MAX) {
            ti = starT + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (ti < tokens.size() && tokens[ti].kind == Token::Star)
        ++ti;
    return ti == tokens.size();
}
