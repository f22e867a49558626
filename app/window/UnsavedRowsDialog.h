#pragma once
// What becomes of test record rows that could not be saved as the window closes: a box says how
// many, and offers to save them to a file the operator picks, to try the usual places again, or
// to close without them, which a second box must confirm. It asks again until nothing is left
// unsaved or losing the rows is confirmed; once the program is ending (a termination signal),
// it asks nothing.
//
// GUI thread; the choices do the saving and must not throw.

#include <QString>
#include <cstddef>
#include <functional>
#include <string>

class QWidget;

struct TUnsavedRowsChoices {
    std::function<std::size_t()> Count; // rows still unsaved
    std::function<void()> TryAgain;     // the working folder, then the state folder
    std::function<void(const std::string& path)> SaveTo; // every row into this file
    // The file the operator picks, starting from `suggestion`; empty when none.
    std::function<QString(const QString& suggestion)> ChooseFile;
    std::string SuggestedName; // for the file dialog
};

// The desktop's file dialog for saving rows.
QString ChooseRecordFile(QWidget* parent, const QString& suggestion);

void AskWhatBecomesOfUnsavedRows(QWidget* parent, const TUnsavedRowsChoices& choices);
