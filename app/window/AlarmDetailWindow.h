#pragma once
// The detail window of one record row, opened by a double click in the list: the verdict and
// whether receivers would react, the measurement sheet as a table (what is wrong in red), and
// the row's picture at full size below it. It closes and deletes itself.
//
// GUI thread.

#include "app/testrecord/TestRecordRow.h"

class QDialog;
class QPixmap;
class QWidget;

// `picture` may be null: the row has none.
QDialog* ShowAlarmDetail(QWidget* parent, const TTestRecordRow& row, const QPixmap& picture);
