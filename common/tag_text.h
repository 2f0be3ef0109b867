#pragma once
// Tagged text: "<Name>value</Name>" pairs, first occurrence wins.
#include <string>

// The value between the first open tag and the first close tag, empty when either is
// missing or the close tag does not stand after the open tag. keepTags returns the pair.
std::string GetTagValue(const std::string& text, const std::string& openTag, const std::string& closeTag,
                        bool keepTags = false);

// Replaces or adds the value; 0 when a tag is empty. When the first close tag stands
// before the first open tag (a damaged text), the open tag and the value go in before
// that close tag, as when the close tag is alone: GetTagValue finds the value
// afterwards and no byte of the text is dropped. A value is stored as whole
// characters: a lead byte alone at its end is dropped.
int SetTagValue(std::string& text, const std::string& value, const std::string& openTag,
                const std::string& closeTag);

// "<Name>" and "</Name>" for a name.
std::string OpenTag(const std::string& name);
std::string CloseTag(const std::string& name);
