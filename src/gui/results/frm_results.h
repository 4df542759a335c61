#pragma once
#include <QMainWindow>
namespace nomispot { class frmResults : public QMainWindow { Q_OBJECT }; }
