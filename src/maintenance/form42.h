#pragma once

#include <array>

#include "maintenance/bulkwindow.h"

namespace platform {
class TextBox;
}

// Renumbering: every client's code rewritten in table order from a typed start value.
class Form42 : public BulkWindow {
    Q_OBJECT
  public:
    Form42();
    std::array<platform::TextBox*, 2> TexFORM42{};  // (0) the current code, (1) the start value

    void Form_Load() override;
    void ComFORM42_Click(int index);
};

// The window by its role: renumbering the codes.
using Renumbering = Form42;
