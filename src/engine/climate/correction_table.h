#pragma once
// The optional temperature-correction table "LTTP_CORRECT.CSV", read from the
// process's working directory: a count, a first line whose fields are the depths
// of the correction points, then one dated line per correction.

#include "engine/climate/climate_run.h"
#include "platform/fixed_text.h"

namespace engine {

// Splits one line of the table at `separator`. The text before the first
// separator (at most 16 characters) becomes correction_key; the fields after it
// become correction_fields(1), (2), ..., an all-blank field giving -9999.0.
// Every field is reset to -9999.0 first, so nothing is kept from an earlier line.
// Returns the number of fields found (0 for a line without a separator, which is
// all key). A field that is neither blank nor a finite number stops the run (status 2),
// naming the correction file, its line and the field.
int split_csv_line(const platform::FixedText<256>& line, char separator, CorrectionFields& fields);

// Opens the table on its channel when it exists and reads its count and first
// line into initial_corrections; the channel stays open for the day loop. An
// absent table leaves correction_field_count at 0.
void read_correction_table(CorrectionFields& fields);

// The correction of day_index, when the table is open: reads lines up to the
// first dated today or later (dates compared as yyyymmdd); a line of today sets
// the temperature of each field's node to the field (deg C) in deg F, unless
// the field is -1000.0 or below or has no node. A later line waits for its own
// day. A line whose date does not read, the table's end or a read error skips
// the day.
void apply_day_correction(ClimateRun& run);

}  // namespace engine
