// The panel of equipment collections.
#include "client/user/fracollection.h"

#include "client/user/frmmain.h"
#include "ui_fracollection.h"

namespace tav::user {

FraCollection::FraCollection(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraCollection>()) {
  ui->setupUi(this);
}

FraCollection::~FraCollection() = default;

}  // namespace tav::user
