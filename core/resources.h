// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own data, compiled into the executable from resources/ (listed in resources/resources.txt):
// form pictures, icon, guide pictures, the generators' word lists and templates.
#pragma once
#include <cstddef>
#include <string>

// Resource ids.
constexpr int kResourceKanaForm = 5000;
constexpr int kResourceIcon = 5001;
constexpr int kResourceLatinForm = 5004;
constexpr int kResourceGuideFirstPicture = 5101;  // 5101..5109
constexpr int kResourceEnglishDictionary = 5301;
constexpr int kResourceEnglishTemplates = 5302;
constexpr int kResourceKanaTemplates = 5303;  // theme<TAB>template per line
constexpr int kResourceKanaWordLists = 5304;  // key<TAB>w1,w2,…<TAB>theme per line
constexpr int kResourceKanaAddresses = 5305;  // 47 lines prefecture」city」surname given」

struct EmbeddedResource {
  int id;
  const unsigned char* bytes;
  size_t size;
};
// The generated table, ended by an entry with id 0.
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

// Copies the resource's bytes; false (bytes untouched) when there is no such resource or it is empty.
bool ReadResourceBytes(int id, std::string& bytes);
