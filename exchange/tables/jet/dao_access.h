// The Access driver of the table layer: Jet 3 (Access 97) and Jet 4 (Access 2000-2003)
// databases are read through mdbtools' libmdb after exchange/jet_file.h has checked
// every structure libmdb will walk; new databases are written as Jet 4 files by
// exchange/jet4_writer.h.
#pragma once

#include "exchange/tables/dao_driver.h"

#include <memory>

/// A new Access driver object.
std::unique_ptr<CDaoDriver> CreateAccessDaoDriver();
