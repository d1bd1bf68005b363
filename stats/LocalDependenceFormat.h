#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "stats/LocalDependence.h"

// The local dependence as text, every number of CSV and JSON at full
// precision: the table to read lists the largest X² (at most listed pairs)
// and how many pairs are flagged; CSV "first,second,x2,df,p,p_adjusted,
// sign,v,flagged", one row per pair, flagged true or false; JSON a list,
// ordered by first and second, of objects with exactly the keys "first",
// "second" (items from 1), "x2", "df", "p", "p_adjusted", "sign" (-1, 0 or
// 1), "v" and "flagged" (true, false).
// With simulated p-values (one per pair), the table and CSV add a column
// of them and JSON the key "p_mc". Given an order (records from 0), the
// CSV lists the pairs in it, as a window shows them sorted.
// Each is written to out as it is made.
void WritePairsTable(std::ostream& out, const LocalDependence& dependence,
                     const std::vector<double>* simulated = nullptr, std::size_t listed = kListedPairs);
void WritePairsCsv(std::ostream& out, const LocalDependence& dependence,
                   const std::vector<double>* simulated = nullptr, const std::vector<std::size_t>* order = nullptr);
void WritePairsJson(std::ostream& out, const LocalDependence& dependence,
                    const std::vector<double>* simulated = nullptr);
std::string FormatPairsTable(const LocalDependence& dependence, const std::vector<double>* simulated = nullptr,
                             std::size_t listed = kListedPairs);
std::string FormatPairsCsv(const LocalDependence& dependence, const std::vector<double>* simulated = nullptr,
                           const std::vector<std::size_t>* order = nullptr);
