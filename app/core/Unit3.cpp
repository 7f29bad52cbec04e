#include "core/Unit3.h"

marble::TForm3* Form3 = nullptr;

namespace marble {

TForm3::TForm3() {
    ::Form3 = this;
    Caption = "Form3";
    ClientWidth = 643;
    ClientHeight = 304;
    Visible = false;
}

TForm3::~TForm3() {
    DoDestroy();
    if (::Form3 == this) ::Form3 = nullptr;
}

}  // namespace marble
