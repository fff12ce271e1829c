// Reading back a workbook the client wrote, through
// tests/support/xlsx_dump.py (python3-openpyxl).
#pragma once
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantList>

#include "client/user/spreadsheet.h"
#include "tests/support/qprocess_end.h"

namespace tavtest {

// Stands for the spreadsheet application while it lives: says whether there
// is one and keeps the files it was asked to open.
struct RecordingSpreadsheet : tav::user::Spreadsheet {
  explicit RecordingSpreadsheet(bool present = true) : present(present) { tav::user::setSpreadsheet(this); }
  ~RecordingSpreadsheet() override { tav::user::setSpreadsheet(nullptr); }
  bool available() override {
    ++asked;
    return present;
  }
  QString open(const QString& path) override {
    opened << path;
    return {};
  }
  bool present;
  int asked = 0;
  QStringList opened;
};

// A workbook read back by tests/support/xlsx_dump.py.
struct Workbook {
  QStringList sheets;           // in order
  QMap<QString, QString> state;  // "visible", "hidden"
  QString active;
  QMap<QString, QJsonObject> cells;  // sheet -> {"A1": {"value", "type"}}
  QString error;

  QJsonValue value(const QString& sheet, const QString& cell) const {
    return cells.value(sheet).value(cell).toObject().value("value");
  }
  QString type(const QString& sheet, const QString& cell) const {
    return cells.value(sheet).value(cell).toObject().value("type").toString();
  }
  // The cells of one row from column A on, up to the last filled one.
  QVariantList row(const QString& sheet, int r, int columns) const {
    QVariantList out;
    for (int c = 0; c < columns; ++c) out << value(sheet, QString(QChar('A' + c)) + QString::number(r)).toVariant();
    return out;
  }
  int cellCount(const QString& sheet) const { return cells.value(sheet).size(); }
};

inline Workbook readWorkbook(const QString& path) {
  Workbook w;
  const QString script =
      QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(QStringLiteral("../../support/xlsx_dump.py"));
  // The system's python carries openpyxl (python3-openpyxl).
  QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
  if (python.isEmpty()) python = QStringLiteral("python3");
  QProcess p;
  tav::support::endWithThisProcess(p);
  p.start(python, {script, path});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) {
    w.error = QString::fromUtf8(p.readAllStandardError());
    return w;
  }
  const QJsonObject doc = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
  w.active = doc.value("active").toString();
  for (const QJsonValue& s : doc.value("sheets").toArray()) {
    const QJsonObject o = s.toObject();
    const QString name = o.value("name").toString();
    w.sheets << name;
    w.state[name] = o.value("state").toString();
    w.cells[name] = o.value("cells").toObject();
  }
  return w;
}

}  // namespace tavtest
