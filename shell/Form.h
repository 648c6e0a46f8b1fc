#pragma once
// Base of the program's secondary windows. Each is a dialog with one global instance; a caller
// sets its public fields, shows it with ShowModal and reads the fields back afterwards.
//
// The main window reaches the windows of the editor, production and publishing folders by
// their instance name (FindProgramWindow) and Qt's meta-object system (public fields are
// Q_PROPERTYs, operations Q_INVOKABLE, controls found by objectName), so that shell/ does not
// depend on those folders while they depend on shell/ for the main window's state.
#include <QDialog>
#include <QString>
#include <QStringList>

class TForm : public QDialog {
  Q_OBJECT
 public:
  // instanceName is the name of the global instance variable ("AboutBox", "DVDForm", ...),
  // used as the window's objectName.
  explicit TForm(const QString& instanceName, QWidget* parent = nullptr);
  ~TForm() override;

  // Runs the window modally; the result is a modal result number (mrOk, mrCancel, ...).
  // Closing the window without a button gives mrCancel.
  Q_INVOKABLE int ShowModal();
  // Ends a modal run with the given result (what a button with a modal result does).
  void SetModalResult(int result);
};

// The top-level window whose objectName is instanceName; nullptr when there is none.
QWidget* FindProgramWindow(const QString& instanceName);
// Instance names of the windows that exist, in the order they were created.
QStringList CreatedFormNames();
