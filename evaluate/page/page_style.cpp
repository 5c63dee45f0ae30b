#include "evaluate/page/page_style.h"

namespace evaluate {

std::string_view page_style() {
  static constexpr std::string_view kStyle = R"css(
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 78rem; padding: 0.8rem 1.2rem 2rem;
  font: 15px/1.4 "DejaVu Sans", "Helvetica Neue", Arial, sans-serif; color: #1b1b1b;
  background: #fff; }
h1 { font-size: 1.45rem; margin: 0.4rem 0; overflow-wrap: anywhere; }
h2 { font-size: 1.2rem; margin: 1.8rem 0 0.5rem; padding-bottom: 0.2rem;
  border-bottom: 2px solid #3b5b7c; color: #24425f; }
p { margin: 0.4rem 0; max-width: 60rem; }
nav { font-size: 0.9rem; margin-bottom: 0.5rem; }
nav a { color: #24425f; }
.scroll { overflow-x: auto; margin: 0.6rem 0 1.2rem; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
caption { text-align: left; font-weight: bold; padding: 0.2rem 0; white-space: nowrap; }
th, td { border: 1px solid #c9ced6; padding: 0.2rem 0.35rem; vertical-align: top; }
thead th { background: #e9eef4; text-align: center; white-space: nowrap; }
tbody th { text-align: left; font-weight: normal; white-space: nowrap; }
tbody th[scope=rowgroup] { font-weight: bold; background: #f6f8fa; }
tr.first > * { border-top: 2px solid #8d99a8; }
td.cont { color: #8a8a8a; white-space: nowrap; text-align: left; }
.facts th { background: #f6f8fa; font-weight: normal; white-space: normal; }
.facts td { overflow-wrap: anywhere; }
.stats { font-size: 0.95em; }
.stats td { text-align: right; white-space: nowrap; }
td.plain .v { font-weight: normal; }
.inf { cursor: help; }
td.n { color: #444; }
.crit { display: block; font-weight: normal; font-size: 0.82em; color: #3d4a57; }
.unit { display: block; font-weight: normal; font-size: 0.82em; color: #3d4a57;
  font-style: italic; }
.see { font-style: italic; }
.defs { font-size: 0.92em; max-width: 60rem; }
.defs tbody th { font-weight: bold; }
.defs td { white-space: normal; }
.defs .mark { display: inline-block; padding: 0 0.35rem; border: 1px solid #c9ced6; }
.mark.met { background: #dcf1dc; color: #14591b; font-weight: bold; }
.mark.unmet { background: #fbdcd9; color: #9b1c12; font-weight: bold; }
.mark.sig { background: #dbe7f7; color: #173f7a; font-weight: bold; }
.mark.nsig, .mark.nj, .mark.nf { color: #666; }
.v { display: inline-block; font-weight: bold; }
.ci { display: block; font-size: 0.82em; color: #4a4a4a; }
.mark { display: block; font-size: 0.82em; }
td .mark { float: left; margin: 0.15em 0.5em 0 0; }
td.met { background: #dcf1dc; }
td.met .mark { color: #14591b; font-weight: bold; }
td.unmet { background: #fbdcd9; }
td.unmet .mark { color: #9b1c12; font-weight: bold; }
td.sig { background: #dbe7f7; }
td.sig .mark { color: #173f7a; font-weight: bold; }
td.nsig .mark, td.nj .mark, td.nf .mark { color: #666; }
td.nf .mark { font-style: italic; }
.legend .mark { display: inline-block; padding: 0 0.35rem; margin: 0 0.1rem;
  border: 1px solid #c9ced6; }
.legend .mark.met { background: #dcf1dc; color: #14591b; font-weight: bold; }
.legend .mark.unmet { background: #fbdcd9; color: #9b1c12; font-weight: bold; }
.legend .mark.sig { background: #dbe7f7; color: #173f7a; font-weight: bold; }
.legend .mark.nsig, .legend .mark.nj, .legend .mark.nf { color: #666; }
.na { color: #777; cursor: help; }
.remarks { border-left: 4px solid #c98a00; background: #fff6dc; padding: 0.4rem 0.6rem 0.4rem 1.8rem;
  margin: 0.6rem 0; }
.none { color: #666; font-style: italic; }
figure { margin: 1rem 0 1.6rem; break-inside: avoid; }
.picture { overflow-x: auto; }
.picture svg { display: block; width: 100%; height: auto; border: 1px solid #e0e0e0; }
figcaption { font-size: 0.9rem; color: #333; margin-top: 0.3rem; }
footer { margin-top: 2rem; font-size: 0.8rem; color: #666; }
@page { size: A4; margin: 12mm; }
@media print {
  body { font-size: 9pt; max-width: none; padding: 0; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  nav { display: none; }
  h2 { font-size: 12pt; margin: 0.8rem 0 0.3rem; }
  p { max-width: none; }
  .scroll, .picture { overflow: visible; margin: 0.3rem 0 0.6rem; }
  .picture > div { min-width: 0 !important; max-width: 170mm !important; }
  /* Values at 8 pt, their limits, marks, criteria and units at 7 pt. */
  /* Narrow letters, so that a table of 13 measures fits the A4 text width. */
  .stats { font-size: 8pt; line-height: 1.1; font-family: "Liberation Sans Narrow", "Arial Narrow",
    "DejaVu Sans Condensed", sans-serif; font-stretch: condensed; }
  .stats caption { font-size: 9pt; }
  .ci, .mark, .crit, .unit { font-size: 7pt; }
  .stats td { white-space: normal; }
  /* The value with its mark at the right, the limits under them; all on one line
     where the column is wide enough. */
  .stats td .v { white-space: nowrap; }
  .stats td.cont { white-space: nowrap; }
  /* Value, mark and limits run on in one line as far as the column allows. */
  .stats td .mark { float: none; display: inline-block; margin: 0 0 0 0.3em; white-space: nowrap; }
  .stats td .ci { display: inline-block; margin-left: 0.3em; }
  .stats th { white-space: normal; }
  th, td { padding: 0.05rem 0.15rem; }
  figcaption, footer, .defs { font-size: 8pt; }
  /* A picture prints 170 mm wide (or the text width, when narrower), never split. */
  .picture svg { width: 170mm; max-width: 100%; border: none; }
  figure { break-inside: avoid; margin: 0.4rem 0 0.8rem; }
  /* No heading or caption alone at a page foot; a group's rows kept together; the
     column heads repeated on every page of a table. */
  h1, h2, h3, caption, .see, section > p { break-after: avoid; }
  table { break-inside: auto; }
  tbody.keep, tr { break-inside: avoid; }
  thead { display: table-header-group; }
}
)css";
  return kStyle;
}

}  // namespace evaluate
