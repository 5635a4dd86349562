// Lumetra example (JScript): parses a JSON document and walks every member,
// printing its path and value.
// Run it from a command prompt:  cscript //nologo json_walk.js
// Handles are 64-bit integers: JScript can pass them back to Lumetra but
// cannot print them, so this script only uses them.
var lum = new ActiveXObject("Lumetra.LumetraCOM");

function walk(node, path) {
  var i, pair;
  if (lum.JSONIsObject(node)) {
    for (i = 0; i < lum.JSONCount(node); i++) {
      pair = lum.JSONGetPair(node, i);
      walk(lum.JSONGetPairValue(pair), path + "." + lum.JSONGetPairKey(pair));
    }
  } else if (lum.JSONIsArray(node)) {
    for (i = 0; i < lum.JSONArrayCount(node); i++) {
      walk(lum.JSONGetArrayElement(node, i), path + "[" + i + "]");
    }
  } else {
    WScript.Echo(path + " = " + lum.JSONGetNodeValue(node, ""));
  }
}

WScript.Echo("Parsing a document and walking it...");
var doc = lum.JSONCreate('{"pedido":{"id":7,"cliente":"Ana","items":[{"sku":"A1","precio":2.5},{"sku":"B7","precio":10}]},"urgente":true}');
walk(doc, "$");
lum.JSONFree(doc);
lum = null;
WScript.Echo("json_walk.js finished.");
