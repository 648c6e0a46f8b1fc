#pragma once
// A picture button of the editor's menu: a plain image with its caption drawn into its picture
// (grey when disabled), a hand cursor and a click.
#include <QLabel>
#include <QString>

class TImageButton : public QLabel {
  Q_OBJECT
 public:
  // heading: a group heading without a click action.
  TImageButton(const QString& objectName, const QString& caption, bool heading, QWidget* parent);
  QString Caption() const { return caption_; }

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void render();
  QString caption_;
  bool heading_;
};
