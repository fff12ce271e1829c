// The panel of work requests and the shown work order: writing a request,
// its writer's change, the engineer's update, and the doors to the status
// history, the used-time records and the recording of used time.
#pragma once
#include <QString>
#include <cstdint>
#include <memory>

#include "client/user/panel.h"
#include "client/user/requests.h"

class QComboBox;

namespace Ui {
class FraRequ;
}

namespace tav::user {

struct WOList;

class FraRequ : public Panel {
  Q_OBJECT
 public:
  FraRequ(FrmMain* main, QWidget* parent);
  ~FraRequ() override;

  void afterLogin() override;
  void logoff() override;
  // The option "创建工单": an empty panel for a new request.
  void shown() override;

  // The work-order list's detail button and double click: the panel shows
  // record `recordNo` (numbered from 1) of the list under the field rules.
  void showOrder(int recordNo);

  // The equipment list's choice while it was opened from here: the number
  // and the name text go into the request and the panel comes back.
  void equipmentPicked(const QString& number, const QString& name);
  // The equipment list's cancel: the panel comes back as it was.
  void returnFromPicking();

  void ReQu_Clear_Click();
  void ReQu_WoStat_Click();
  void ReQu_Find_Click();
  void Requ_Retu_Click();
  void ReQu_Submit_Click();
  void ReQu_Chan_Click();
  void ReQu_StaDetail_Click();
  void ReQu_UsedTime_Click();
  void ReQu_AddTime_Click();

  // The order's new total used time: in the panel and in its list row.
  void fUstim(int32_t tims);
  // Minutes just recorded: the shown total grows by them.
  void addMinutes(int64_t minutes);

  // The order the panel shows or has just written, with its store flag.
  bool holdsOrder() const { return kept_; }
  int32_t billId() const { return bill_; }
  int store() const { return store_; }

  // The back colour that marks the assignee box as required ("已安排").
  static const QColor& arrangedColour();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool submitNew();
  void submitUpdate();
  void updateWritten(int32_t code, const QString& name);
  void openDetail(DetailKind kind);
  // Fills the status choices: `name` with `code` as entry 0, then every
  // status in the mask.
  void fillStatuses(const QString& name, int32_t code, int32_t mask);
  void selectStatus(int index);
  void setRequesterBoxesLocked(bool locked);
  void setPointtoMarked(bool marked);
  bool pointtoMarked() const;
  // The list record of the kept order (numbered from 1); 0 when the list
  // no longer holds it.
  int keptRecord() const;
  WOList* keptRow();
  void repaintKept();
  void bringHere();
  // The request's fields as typed; the caller has checked the dates.
  RequestFields typedRequest(int32_t status) const;
  // Checks shared by the new request and the change: false after the message.
  bool refuse(const QString& text, QWidget* focus);

  std::unique_ptr<Ui::FraRequ> ui;
  QString submitTag_;  // "NEW" while the panel holds a request just written
  bool kept_ = false;
  int32_t bill_ = 0;
  int store_ = 1;
};

// Locks and unlocks a box without disabling it: read-only text, a combo box
// that ignores the mouse and keys.
void setLocked(QWidget* box, bool locked);
bool isLocked(const QWidget* box);

}  // namespace tav::user
