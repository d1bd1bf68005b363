#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "stats/ItemFit.h"

// The item fit as text, every number of CSV and JSON at full precision:
// the table to read, after the summary's; CSV "item,sx2,df,p,p_adjusted,
// rmsea,flagged,groups", one row per item, empty where a value is
// undefined, flagged true or false; JSON a list of objects with exactly
// the keys "item" (from 1), "sx2", "df", "p", "p_adjusted", "rmsea"
// (null where undefined), "flagged" (true, false) and "groups" (after
// merging).
// With simulated p-values (one per item), the table and CSV add a column
// of them and JSON the key "p_mc". Given an order (records from 0), the
// CSV lists the items in it, as a window shows them sorted.
// Each is written to out as it is made.
void WriteItemFitTable(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated = nullptr);
void WriteItemFitCsv(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated = nullptr,
                     const std::vector<std::size_t>* order = nullptr);
void WriteItemFitJson(std::ostream& out, const ItemFit& fit, const std::vector<double>* simulated = nullptr);
std::string FormatItemFitCsv(const ItemFit& fit, const std::vector<double>* simulated = nullptr,
                             const std::vector<std::size_t>* order = nullptr);

// The rule the groups follow, in words: "adjacent totals merged until ...",
// and its condition alone.
std::string ItemMergingRule(double minExpected);
std::string ItemMergingCondition(double minExpected);
