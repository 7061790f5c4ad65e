#include "engine/time_picture.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The piece of a run of count letters c, or false when the run means nothing known.
bool LetterPiece(char c, size_t count, TimePiece& piece) {
    using Kind = TimePiece::Kind;
    constexpr std::pair<char, Kind> kLetters[] = {{'h', Kind::Hour12},
                                                  {'H', Kind::Hour24},
                                                  {'m', Kind::Minute},
                                                  {'s', Kind::Second},
                                                  {'t', Kind::MarkerInitial}};
    const auto letter = std::find_if(std::begin(kLetters), std::end(kLetters),
                                     [c](const auto& known) { return known.first == c; });
    if (count > 2 || letter == std::end(kLetters)) {
        return false;
    }
    piece.two_digits = count == 2;
    // "tt" is the whole marker, "t" its first character.
    piece.kind = c == 't' && count == 2 ? Kind::Marker : letter->second;
    return true;
}

void AppendNumber(int value, bool two_digits, std::string& text) {
    if (two_digits || value >= 10) {
        text += static_cast<char>('0' + value / 10);
    }
    text += static_cast<char>('0' + value % 10);
}

} // namespace

bool ParseTimePicture(std::string_view picture, std::vector<TimePiece>& pieces) {
    pieces.clear();
    size_t at = 0;
    while (at < picture.size()) {
        const char c = picture[at];
        TimePiece piece{TimePiece::Kind::Text, false, {}};
        if (c == '\'') {
            const size_t close = picture.find('\'', at + 1);
            if (close == std::string_view::npos || close == at + 1) {
                return false;
            }
            piece.text = picture.substr(at + 1, close - at - 1);
            at = close + 1;
        } else if (IsLetter(c)) {
            size_t count = 1;
            while (at + count < picture.size() && picture[at + count] == c) {
                ++count;
            }
            if (!LetterPiece(c, count, piece)) {
                return false;
            }
            at += count;
        } else {
            const auto end = std::find_if(picture.begin() + at, picture.end(),
                                          [](char d) { return d == '\'' || IsLetter(d); });
            const size_t stop = static_cast<size_t>(end - picture.begin());
            piece.text = picture.substr(at, stop - at);
            at = stop;
        }
        pieces.push_back(std::move(piece));
    }
    return true;
}

void AppendTime(const TimePicture& picture, int hour, int minute, int second, std::string& text) {
    const bool after_noon = hour >= 12;
    for (const TimePiece& piece : picture.pieces) {
        switch (piece.kind) {
        case TimePiece::Kind::Text:
            text += piece.text;
            break;
        case TimePiece::Kind::Hour12:
            AppendNumber(hour % 12 == 0 ? 12 : hour % 12, piece.two_digits, text);
            break;
        case TimePiece::Kind::Hour24:
            AppendNumber(hour, piece.two_digits, text);
            break;
        case TimePiece::Kind::Minute:
            AppendNumber(minute, piece.two_digits, text);
            break;
        case TimePiece::Kind::Second:
            AppendNumber(second, piece.two_digits, text);
            break;
        case TimePiece::Kind::Marker:
            text += after_noon ? picture.pm : picture.am;
            break;
        case TimePiece::Kind::MarkerInitial:
            text += after_noon ? picture.pm_initial : picture.am_initial;
            break;
        }
    }
}
