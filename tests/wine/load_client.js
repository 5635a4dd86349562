// One of several clients at once (see load_client.vbs), from JScript.
// Arguments: client name, rounds.
var o = new ActiveXObject("Lumetra.LumetraCOM");
var name = WScript.Arguments(0), rounds = parseInt(WScript.Arguments(1), 10);
var failures = 0, live = [], expected = [];

function check(what, actual, wanted) {
  if (actual != wanted && ++failures <= 10)
    WScript.Echo("FAIL: " + name + " " + what + ": got [" + actual + "], expected [" + wanted + "]");
}

for (var i = 0; i < rounds; i++) {
  var k = i % 8;
  if (live[k] !== undefined) {
    check("format", o.JSONFormat(live[k]), expected[k]);
    o.JSONFree(live[k]);
  }
  var text = '{"cliente":"' + name + '","ronda":' + i + ',"lista":[' + i + ',"' + name + "-" + i + '"]}';
  var h = o.JSONCreate(text);
  check("node", o.JSONGetNodeValue(h, "cliente"), name);
  check("element", o.JSONGetNodeValue(o.JSONGetArrayElement(o.JSONGetElement(h, "lista"), 1), ""), name + "-" + i);
  live[k] = h;
  expected[k] = text;
}
for (var k = 0; k < 8; k++) {
  if (live[k] !== undefined) {
    check("format at the end", o.JSONFormat(live[k]), expected[k]);
    o.JSONFree(live[k]);
  }
}
if (failures == 0) WScript.Echo("OK " + name + " " + rounds + " rounds");
