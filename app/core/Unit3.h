// The second window: built with the program and never shown or used.
#pragma once

#include "core/controls.h"
#include "core/core_export.h"

namespace marble {

/// An empty window, caption "Form3", client area 643 by 304.
class TForm3 : public TForm {
public:
    /// Builds the window and assigns the process-wide Form3.
    TForm3();
    ~TForm3() override;
};

}  // namespace marble

/// The second window, created after Form2.
MARBLE_CORE_API extern marble::TForm3* Form3;
