// Reading the stats service's profile reply: which rating, if any, each reply yields.

#include "web_reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// A reply whose data.segments is `segments`.
std::string withSegments(const std::string& segments) {
  return R"({"data": {"platformInfo": {"platformSlug": "steam"}, "segments": )" + segments + "}}";
}

// A segment of playlist `id` (JSON text) rated `value` (JSON text).
std::string segment(const std::string& id, const std::string& value) {
  return R"({"type": "playlist", "attributes": {"playlistId": )" + id +
         R"(}, "stats": {"rating": {"value": )" + value + "}}}";
}

struct Row {
  const char* what;
  int status;
  std::string body;
  int wanted;
  std::optional<float> rating;
};

}  // namespace

TEST(WebReply, EachReplyYieldsTheWantedSegmentsRatingOrNothing) {
  const std::string minimal =
      R"({"data":{"segments":[{"attributes":{"playlistId":13},"stats":{"rating":{"value":987.5}}}]}})";
  const std::string fourSegments =
      withSegments("[" + segment("0", "600") + "," + segment("10", "700") + "," +
                   segment("11", "800") + "," + segment("11", "900") + "]");
  const Row rows[] = {
      {"the minimal accepted reply", 200, minimal, 13, 987.5f},
      {"  for another playlist", 200, minimal, 11, std::nullopt},
      {"  with status 404", 404, minimal, 13, std::nullopt},
      {"  with status 429", 429, minimal, 13, std::nullopt},
      {"  with status 500", 500, minimal, 13, std::nullopt},
      {"  with status 0 (no reply)", 0, minimal, 13, std::nullopt},
      {"  with status 201", 201, minimal, 13, std::nullopt},
      {"the first match wins, later ones unread", 200, fourSegments, 11, 800.0f},
      {"wanted 0 matches playlist 0", 200, fourSegments, 0, 600.0f},
      {"an integer value", 200, withSegments("[" + segment("11", "987") + "]"), 11, 987.0f},
      {"a value of 0 is passed on", 200, withSegments("[" + segment("11", "0") + "]"), 11, 0.0f},
      {"a negative value", 200, withSegments("[" + segment("11", "-3.25") + "]"), 11, -3.25f},
      {"a negative integer value", 200, withSegments("[" + segment("11", "-987") + "]"), 11,
       -987.0f},
      {"a value rounded to a float", 200, withSegments("[" + segment("11", "0.1") + "]"), 11, 0.1f},
      {"a huge unsigned value", 200,
       withSegments("[" + segment("11", "18446744073709551615") + "]"), 11,
       18446744073709551615.0f},
      {"a value beyond a float", 200, withSegments("[" + segment("11", "1e300") + "]"), 11,
       std::nullopt},
      {"  and below one", 200, withSegments("[" + segment("11", "-1e300") + "]"), 11, std::nullopt},
      {"a value beyond a double", 200, withSegments("[" + segment("11", "1e400") + "]"), 11,
       std::nullopt},
      {"a value true", 200, withSegments("[" + segment("11", "true") + "]"), 11, 1.0f},
      {"a value false", 200, withSegments("[" + segment("11", "false") + "]"), 11, 0.0f},
      {"a value of text", 200, withSegments("[" + segment("11", R"("1000")") + "]"), 11,
       std::nullopt},
      {"a value null", 200, withSegments("[" + segment("11", "null") + "]"), 11, std::nullopt},
      {"a value that is an object", 200, withSegments("[" + segment("11", "{}") + "]"), 11,
       std::nullopt},
      {"playlistId 11.7 is 11", 200, withSegments("[" + segment("11.7", "950") + "]"), 11, 950.0f},
      {"playlistId -0.9 is 0", 200, withSegments("[" + segment("-0.9", "950") + "]"), 0, 950.0f},
      {"playlistId true is 1, never a web-rated playlist", 200,
       withSegments("[" + segment("true", "950") + "]"), 11, std::nullopt},
      {"playlistId true matches 1", 200, withSegments("[" + segment("true", "950") + "]"), 1,
       950.0f},
      {"playlistId false matches 0", 200, withSegments("[" + segment("false", "950") + "]"), 0,
       950.0f},
      {"playlistId by its low 32 bits", 200, withSegments("[" + segment("4294967307", "950") + "]"),
       11, 950.0f},
      {"playlistId -4294967285 by its low 32 bits", 200,
       withSegments("[" + segment("-4294967285", "950") + "]"), 11, 950.0f},
      {"a fractional playlistId beyond int matches nothing, the walk goes on", 200,
       withSegments("[" + segment("4294967307.5", "950") + "," + segment("11", "960") + "]"), 11,
       960.0f},
      {"  and one below it", 200,
       withSegments("[" + segment("-4294967285.5", "950") + "," + segment("11", "970") + "]"), 11,
       970.0f},
      {"playlistId \"11\" ends the walk before the match", 200,
       withSegments("[" + segment(R"("11")", "950") + "," + segment("11", "960") + "]"), 11,
       std::nullopt},
      {"playlistId null ends the walk", 200,
       withSegments("[" + segment("null", "950") + "," + segment("11", "960") + "]"), 11,
       std::nullopt},
      {"a bad playlistId after the match is never read", 200,
       withSegments("[" + segment("11", "960") + "," + segment("[]", "950") + "]"), 11, 960.0f},
      {"segments as an object, walked by ascending name", 200,
       withSegments(R"({"b": )" + segment("11", "2") + R"(, "a": )" + segment("11", "1") + "}"), 11,
       1.0f},
      {"  whichever comes first in the text", 200,
       withSegments(R"({"a": )" + segment("11", "1") + R"(, "b": )" + segment("11", "2") + "}"), 11,
       1.0f},
      {"segments that are not objects are skipped", 200,
       withSegments(R"([1, "x", null, [], )" + segment("11", "5") + "]"), 11, 5.0f},
      {"a segment without attributes is skipped", 200,
       withSegments(R"([{"stats": {"rating": {"value": 1}}}, )" + segment("11", "5") + "]"), 11,
       5.0f},
      {"attributes that are not an object are skipped", 200,
       withSegments(R"([{"attributes": [11]}, )" + segment("11", "5") + "]"), 11, 5.0f},
      {"  nor a number", 200, withSegments(R"([{"attributes": 11}, )" + segment("11", "5") + "]"),
       11, 5.0f},
      {"attributes without playlistId are skipped", 200,
       withSegments(R"([{"attributes": {}}, )" + segment("11", "5") + "]"), 11, 5.0f},
      {"a match without stats", 200, withSegments(R"([{"attributes": {"playlistId": 11}}])"), 11,
       std::nullopt},
      {"a match without rating", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "stats": {}}])"), 11, std::nullopt},
      {"a rating among other members", 200,
       withSegments(
           R"([{"attributes": {"playlistId": 11}, "stats": {"rating": {"displayValue": "1,050", )"
           R"("value": 1050, "percentile": 12.5}}}])"),
       11, 1050.0f},
      {"a name given twice keeps its last value", 200,
       R"({"data": {"segments": []}, "data": {"segments": {"a": )" + segment("11", "1") +
           R"(, "a": )" + segment("11", "2") + "}}}",
       11, 2.0f},
      {"  whatever the last value is", 200,
       withSegments(R"({"a": )" + segment("11", "1") + R"(, "a": 5})"), 11, std::nullopt},
      {"  a last data without segments too", 200,
       R"({"data": {"segments": [)" + segment("11", "1") + R"(]}, "data": 5})", 11, std::nullopt},
      {"  in a segment too: a last attributes without playlistId", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "attributes": {}, )"
                    R"("stats": {"rating": {"value": 1}}}, )" +
                    segment("11", "2") + "]"),
       11, 2.0f},
      {"  and a last stats that is no object", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "stats": {"rating": {"value": 1}}, )"
                    R"("stats": 7}])"),
       11, std::nullopt},
      {"a match without value", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "stats": {"rating": {}}}])"), 11,
       std::nullopt},
      {"a match whose stats is text", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "stats": "x"}])"), 11, std::nullopt},
      {"a match whose rating is null", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}, "stats": {"rating": null}}])"), 11,
       std::nullopt},
      {"a bad match ends the walk: the next match is not read", 200,
       withSegments(R"([{"attributes": {"playlistId": 11}}, )" + segment("11", "5") + "]"), 11,
       std::nullopt},
      {"member names are case-sensitive", 200,
       R"({"Data": {"segments": [)" + segment("11", "5") + "]}}", 11, std::nullopt},
      {"no segment matches", 200, withSegments("[" + segment("10", "5") + "]"), 11, std::nullopt},
      {"segments empty", 200, withSegments("[]"), 11, std::nullopt},
      {"segments a number", 200, withSegments("7"), 11, std::nullopt},
      {"segments text", 200, withSegments(R"("x")"), 11, std::nullopt},
      {"an empty object", 200, "{}", 11, std::nullopt},
      {"an array root", 200, "[" + minimal + "]", 13, std::nullopt},
      {"data missing", 200, R"({"segments": [{"attributes": {"playlistId": 13}}]})", 13,
       std::nullopt},
      {"data not an object", 200, R"({"data": [1]})", 13, std::nullopt},
      {"data a number", 200, R"({"data": 7})", 13, std::nullopt},
      {"text at the root", 200, R"("data")", 13, std::nullopt},
      {"segments missing", 200, R"({"data": {"segment": []}})", 13, std::nullopt},
      {"an empty body", 200, "", 13, std::nullopt},
      {"a truncated body", 200, minimal.substr(0, minimal.size() - 3), 13, std::nullopt},
      {"text after the value", 200, minimal + " x", 13, std::nullopt},
      {"two values", 200, minimal + minimal, 13, std::nullopt},
      {"a NUL byte and more after the value", 200, minimal + std::string("\0x", 2), 13,
       std::nullopt},
      {"a NUL byte after the value", 200, minimal + std::string(1, '\0'), 13, std::nullopt},
      {"whitespace around the value", 200, "\n\t " + minimal + " \r\n", 13, 987.5f},
      {"a comment", 200, "/* c */" + minimal, 13, std::nullopt},
      {"not JSON at all", 200, "<html>Too Many Requests</html>", 13, std::nullopt},
      {"invalid UTF-8 in a text", 200,
       std::string(R"({"data":{"x":")") + "\xff" + R"(",)" + minimal.substr(9), 13, std::nullopt},
      {"deep nesting", 200, std::string(100000, '[') + std::string(100000, ']'), 13, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(readWebReply(row.status, row.body, row.wanted), row.rating) << row.what;
  }
}
