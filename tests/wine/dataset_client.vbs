' Late-bound VBScript client of DSToJSON: append, modify by one key and by
' several (an Array), delete, and the automation error of a packet that
' cannot be loaded. Argument: the Windows path of a packet file.
' Prints one FAIL line per failed check and OK at the end.
Option Explicit

Dim failures : failures = 0

Sub Expect(name, condition)
  If Not condition Then
    failures = failures + 1
    WScript.Echo "FAIL: " & name
  End If
End Sub

Function ReadAll(path)
  Dim fso, stream
  Set fso = CreateObject("Scripting.FileSystemObject")
  Set stream = fso.OpenTextFile(path, 1)
  ReadAll = stream.ReadAll
  stream.Close
End Function

Dim o, packet, xml
Set o = CreateObject("Lumetra.LumetraCOM")
packet = ReadAll(WScript.Arguments(0))

' Append: the key field gets the key value, the JSON the other fields.
xml = o.DSToJSON(packet, "{""NAME"":""Dora"",""AGE"":25,""PETS"":[{""PET"":""gato"",""LEGS"":4}]}", "ID", 4, "C")
Expect "append gives the packet back", InStr(xml, "<DATAPACKET") > 0
Expect "append writes an inserted row", InStr(xml, "RowState=""4"" ID=""4""") > 0
Expect "append keeps the values", InStr(xml, "NAME=""Dora""") > 0 And InStr(xml, "AGE=""25""") > 0
Expect "append writes the detail row", InStr(xml, "PET=""gato""") > 0
Expect "append logs the change", InStr(xml, "CHANGE_LOG=") > 0

' Modify the record found by one key, then by two (an Array from the script).
xml = o.DSToJSON(packet, "{""NAME"":""Anita""}", "ID", 1, "M")
Expect "modify writes the new value", InStr(xml, "NAME=""Anita""") > 0
Expect "modify keeps the original row", InStr(xml, "RowState=""1""") > 0 And InStr(xml, "RowState=""8""") > 0
xml = o.DSToJSON(packet, "{""NAME"":""B""}", "CODE;AGE", Array("B2", 41), "M")
Expect "two keys find Berta", InStr(xml, "NAME=""B""") > 0 And InStr(xml, "NAME=""Bruno""") > 0 And InStr(xml, "NAME=""Berta""") > 0

' Delete gives an empty result; so does a key of a type that cannot be a key (no error).
xml = o.DSToJSON(packet, "", "ID", 2, "D")
Expect "delete gives an empty result", xml = ""
xml = o.DSToJSON(packet, "{""NAME"":""x""}", "NOTES", "x", "M")
Expect "an unsupported key gives an empty result", xml = ""
' A key that finds nothing leaves the first record current, and that one is modified.
xml = o.DSToJSON(packet, "{""NAME"":""x""}", "ID", 99, "M")
Expect "an unmatched key modifies the first record", InStr(xml, "ID=""1"" CODE=""A1"" NAME=""x""") > 0

' A packet that cannot be loaded is an automation error.
On Error Resume Next
xml = o.DSToJSON("<not a packet", "{}", "ID", 1, "M")
Expect "a bad packet raises an error", Err.Number <> 0
Expect "the error names the server", Err.Source = "Lumetra.LumetraCOM"
Expect "the error has a description", Len(Err.Description) > 0
On Error GoTo 0

If failures = 0 Then WScript.Echo "OK"
