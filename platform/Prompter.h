#pragma once
// Every question a window asks the user goes through the current Prompter, so each road of
// the program can be driven without a person: tests install one that answers from a script.
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QFileDialog;
class QWidget;

namespace kalvora {

// Results carry the class library's modal result numbers.
enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class MsgKind { Information, Warning, Error, Confirmation };

// Button sets as flags.
enum MsgButton { mbOk = 1, mbCancel = 2, mbAbort = 4, mbRetry = 8, mbIgnore = 16, mbYes = 32, mbNo = 64 };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Returns the modal result of the button chosen (mrCancel when the box is closed).
  virtual int message(MsgKind kind, const QString& title, const QString& text, int buttons = mbOk) = 0;
  // Empty when cancelled.
  virtual QString openFile(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QStringList openFiles(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString saveFile(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString folder(const QString& title, const QString& start) = 0;
  virtual std::optional<QColor> color(const QColor& initial) = 0;
  virtual std::optional<QString> text(const QString& title, const QString& label, const QString& initial) = 0;
};

// The program writes file filters the Windows way, "Description|*.a;*.b|Other|*.c"; Qt's file
// dialog wants "Description (*.a *.b);;Other (*.c)". A filter already in Qt's form, or a bare
// pattern list such as "*.jpg *.bmp", comes back usable as it is.
QString QtFileFilter(const QString& filter);

enum class FileDialogKind { Open, OpenMany, Save, Folder };
// The file dialog the Qt prompter shows (not yet shown), with the filter converted. Tests
// build it to see what a user would see.
QFileDialog* CreateFileDialog(QWidget* parent, FileDialogKind kind, const QString& title, const QString& folder,
                              const QString& filter);

// The prompter in force (a QtPrompter unless one was installed).
Prompter& CurrentPrompter();
// Installs p (not owned); nullptr goes back to the Qt prompter.
void SetPrompter(Prompter* p);

// Shortcut: an information message with an OK button.
void ShowMessage(const QString& text);

class QtPrompter : public Prompter {
 public:
  int message(MsgKind kind, const QString& title, const QString& text, int buttons) override;
  QString openFile(const QString& title, const QString& folder, const QString& filter) override;
  QStringList openFiles(const QString& title, const QString& folder, const QString& filter) override;
  QString saveFile(const QString& title, const QString& folder, const QString& filter) override;
  QString folder(const QString& title, const QString& start) override;
  std::optional<QColor> color(const QColor& initial) override;
  std::optional<QString> text(const QString& title, const QString& label, const QString& initial) override;
};

// Installs a prompter for the life of the object.
class PrompterScope {
 public:
  explicit PrompterScope(Prompter& p);
  ~PrompterScope();
  PrompterScope(const PrompterScope&) = delete;
  PrompterScope& operator=(const PrompterScope&) = delete;
 private:
  Prompter* previous_;
};

}  // namespace kalvora
