// Fixed-column records: layouts, record writing and reading, list form, files and
// run-ending failures. Include this one header.
#pragma once

#include "records/errors.h"
#include "records/files.h"
#include "records/layout.h"
#include "records/outputs.h"
#include "records/read.h"
#include "records/text_lines.h"
#include "records/write.h"
