// One cell of a CMatrix: a resource (its text is the resource's tag) or a link
// of a drawn tree (its text is one of the link names, all beginning with '.').
#pragma once

#include <string>

namespace hierman {

class CMatrix;

inline constexpr const char* kTeeLink = ".tee_link";
inline constexpr const char* kRightLink = ".right_link";
inline constexpr const char* kVertLink = ".vert_link";

// Icon numbers of the cell kinds.
enum CellIcon : int {
    kIconInService = 130,
    kIconOutOfService = 131,
    kIconOtherState = 132,
    kIconRightLink = 135,
    kIconTeeLink = 136,
    kIconVertLink = 137,
    kIconSummaryInService = 140,
    kIconSummaryOutOfService = 141,
    kIconSummaryOtherState = 142,
};

class CMatrixCell {
public:
    CMatrixCell(CMatrix* matrix, std::string text, int column, int row)
        : text(std::move(text)), matrix(matrix), column(column), row(row) {}

    bool IsLink() const { return !text.empty() && text[0] == '.'; }
    bool IsResource() const { return !IsLink(); }

    unsigned actionMarks = 0;  // bits the service actions set while they plan
    bool focusMark = false;
    bool selected = false;
    bool expanded = false;
    int icon = 0;  // cached by CMatrix::IconOf; 0 until chosen or after an expand or collapse
    std::string text;
    CMatrix* matrix;
    int column;
    int row;
};

}  // namespace hierman
