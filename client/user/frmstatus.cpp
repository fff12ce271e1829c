// The status-history and used-time list of one work order.
#include "client/user/frmstatus.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <stdexcept>

#include "client/common/session.h"
#include "client/user/usertables.h"
#include "protocol/daynum.h"
#include "protocol/wire.h"

namespace tav::user {

using tav::client::qs;

namespace {

constexpr int RowPitch = 24;
constexpr int ColumnX[3] = {16, 126, 326};
constexpr int ColumnW[3] = {104, 194, 170};

// The records of a list: the text before each RecordSep, cut into its
// first three fields (a missing field is empty).
std::vector<std::array<std::u16string, 3>> records(std::u16string_view list) {
  std::vector<std::array<std::u16string, 3>> out;
  std::size_t start = 0;
  for (std::size_t end; (end = list.find(RecordSep, start)) != std::u16string_view::npos; start = end + 1) {
    std::u16string_view rec = list.substr(start, end - start);
    std::array<std::u16string, 3> f;
    std::size_t from = 0;
    for (auto& field : f) {
      std::size_t sep = rec.find(FieldSep, from);
      if (sep == std::u16string_view::npos) break;
      field = rec.substr(from, sep - from);
      from = sep + 1;
    }
    out.push_back(std::move(f));
  }
  return out;
}

QString momentText(double dayTime) {
  try {
    return QString::fromStdString(formatLogTime(fromDayTime(dayTime)));
  } catch (const std::out_of_range&) {
    return {};
  }
}

}  // namespace

std::vector<DetailRow> detailRows(DetailKind kind, std::u16string_view list) {
  auto recs = records(list);
  std::vector<DetailRow> rows;
  if (kind == DetailKind::UsedTime) {
    for (const auto& r : recs)
      rows.push_back({qs(r[0]), typeNameOf(wholeNumber32(r[1]).value_or(0)), qs(r[2])});
    return rows;
  }
  struct Moment {
    DetailRow row;
    double time;
  };
  std::vector<Moment> m;
  for (const auto& r : recs) {
    const double t = leadingNumber(r[2]);
    m.push_back({{statusNameOf(wholeNumber32(r[0]).value_or(0)), qs(r[1]), momentText(t)}, t});
  }
  // Newest first by exchanges, so rows of equal time move only when a newer
  // row is swapped past them.
  for (std::size_t i = 0; i + 1 < m.size(); ++i)
    for (std::size_t j = i + 1; j < m.size(); ++j)
      if (m[j].time > m[i].time) std::swap(m[i], m[j]);
  for (auto& x : m) rows.push_back(std::move(x.row));
  return rows;
}

FrmStatus::FrmStatus(DetailKind kind, const QString& billId, std::u16string_view list, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("FrmStatus"));
  const bool history = kind == DetailKind::Status;
  setWindowTitle(history ? QStringLiteral("工单状态详表") : QStringLiteral("工作耗时详表"));

  auto* layout = new QVBoxLayout(this);
  auto* bill = new QLabel(QStringLiteral("工单：") + billId, this);
  bill->setObjectName(QStringLiteral("BillID"));
  layout->addWidget(bill);

  auto* area = new QScrollArea(this);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* table = new QWidget(area);
  const std::vector<DetailRow> rows = detailRows(kind, list);
  rows_ = static_cast<int>(rows.size());
  const QString names[3] = {QStringLiteral("Status_%1"), QStringLiteral("StaUser_%1"), QStringLiteral("StaTime_%1")};
  const DetailRow header = history ? DetailRow{QStringLiteral("状态名"), QStringLiteral("用户"), QStringLiteral("时间")}
                                   : DetailRow{QStringLiteral("姓名"), QStringLiteral("工种"), QStringLiteral("用时")};
  for (int i = 0; i <= rows_; ++i) {
    const DetailRow& texts = i == 0 ? header : rows[static_cast<std::size_t>(i) - 1];
    for (int c = 0; c < 3; ++c) {
      auto* l = new QLabel(texts[static_cast<std::size_t>(c)], table);
      l->setObjectName(names[c].arg(i));
      l->setGeometry(ColumnX[c], i * RowPitch, ColumnW[c], RowPitch);
      if (i == 0) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
      }
    }
  }
  table->setFixedSize(ColumnX[2] + ColumnW[2] + 8, (rows_ + 1) * RowPitch);
  area->setWidget(table);
  layout->addWidget(area, 1);

  auto* ok = new QPushButton(QStringLiteral("知道了"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  connect(ok, &QPushButton::clicked, this, &FrmStatus::Command1_Click);
  layout->addWidget(ok, 0, Qt::AlignHCenter);

  // n + 6 rows tall, but never beyond the screen: the rows scroll instead.
  int height = (rows_ + 6) * RowPitch;
  if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen())
    height = std::min(height, s->availableGeometry().height() - 40);
  resize(table->width() + 40, height);
}

}  // namespace tav::user
