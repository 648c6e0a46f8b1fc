// Secondary windows shown modally give the modal result of the button that closed them.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "Form.h"
#include "Prompter.h"
#include "fNew.h"

TEST(Form, ShowModalGivesTheButtonsResultAndCancelWhenClosed) {
  TNewForm form;
  EXPECT_EQ(FindProgramWindow("NewForm"), &form);
  EXPECT_TRUE(CreatedFormNames().contains("NewForm"));
  QTimer::singleShot(0, &form, [&] {
    form.Edit1->setText("Urlaub");
    form.BitBtn1->click();
  });
  EXPECT_EQ(form.ShowModal(), kalvora::mrOk);
  EXPECT_EQ(form.Edit1->text(), "Urlaub");
  QTimer::singleShot(0, &form, [&] { form.BitBtn2->click(); });
  EXPECT_EQ(form.ShowModal(), kalvora::mrCancel);
  QTimer::singleShot(0, &form, [&] { form.close(); });
  EXPECT_EQ(form.ShowModal(), kalvora::mrCancel);
}

TEST(Form, NoWindowOfAName) { EXPECT_EQ(FindProgramWindow("NoSuchForm"), nullptr); }
