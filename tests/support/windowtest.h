#pragma once

// What every window test uses: Qt Test, the widgets the windows are made of, the frame and the
// browse list, the record sets, and input as a person gives it.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "platform/statusbar.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "userinput.h"

using platform::forms::get;
