' Runs the conversion cases of tests/conversions/conversion_cases.tsv (path in
' the first argument) through the registered server: each case once with the
' value passed directly and once in a variable. Prints one FAIL line per case
' whose result differs from the table's, and OK at the end.
Option Explicit

Dim o, failures, count
Set o = CreateObject("Lumetra.LumetraCOM")
failures = 0
count = 0

Function MakeValue(kind, literal)
  Select Case kind
    Case "BStr": MakeValue = literal
    Case "Empty": MakeValue = Empty
    Case "Null": MakeValue = Null
    Case "Bool": MakeValue = (literal = "True")
    Case "I2": MakeValue = CInt(literal)
    Case "I4": MakeValue = CLng(literal)
    Case "UI1": MakeValue = CByte(literal)
    Case "R4": MakeValue = CSng(literal)
    Case "R8": MakeValue = CDbl(literal)
    Case "Cy": MakeValue = CCur(literal)
    Case "Date": MakeValue = CDate(CDbl(literal))
    Case Else: Err.Raise 5, , "unknown kind " & kind
  End Select
End Function

' The result as the table writes it; value is passed in a variable when
' inVariable is true, else as a value (in parentheses).
Function Observe(observer, value, inVariable)
  Dim doc, r
  If observer = "handle" Then
    On Error Resume Next
    If inVariable Then r = o.JSONGetPairKey(value) Else r = o.JSONGetPairKey((value))
    If Err.Number <> 0 Then
      Observe = "error|" & Err.Description
    Else
      Observe = VarType(r) & "|" & r
    End If
    On Error GoTo 0
    Exit Function
  End If
  doc = o.JSONCreate("{}")
  Select Case observer
    Case "number"
      If inVariable Then o.JSONAddNodeAsNumber doc, "v", value Else o.JSONAddNodeAsNumber doc, "v", (value)
    Case "bool"
      If inVariable Then o.JSONAddNodeAsBool doc, "v", value Else o.JSONAddNodeAsBool doc, "v", (value)
    Case "text"
      If inVariable Then o.JSONAddNodeAsBool doc, value, True Else o.JSONAddNodeAsBool doc, (value), True
  End Select
  Observe = o.JSONFormat(doc)
  o.JSONFree doc
End Function

Dim fso, stream, line, number, columns, literal, expected, pair, value, pass, got, passName
Set fso = CreateObject("Scripting.FileSystemObject")
Set stream = fso.OpenTextFile(WScript.Arguments(0), 1)
pair = o.JSONGetPair(o.JSONCreate("{""k"":1}"), 0)
number = 0
Do Until stream.AtEndOfStream
  line = stream.ReadLine
  number = number + 1
  If Len(line) > 0 And Left(line, 1) <> "#" Then
    columns = Split(line, vbTab)
    literal = Replace(columns(2), "$p", CStr(pair))
    expected = ""
    If UBound(columns) >= 3 Then expected = columns(3)
    For pass = 0 To 1
      value = MakeValue(columns(1), literal)
      got = Observe(columns(0), value, pass = 1)
      If pass = 1 Then passName = "variable" Else passName = "value"
      count = count + 1
      If got <> expected Then
        failures = failures + 1
        WScript.Echo "FAIL: line " & number & " (" & columns(0) & " " & columns(1) & " [" & columns(2) & "], " & _
          passName & "): got [" & got & "], expected [" & expected & "]"
      End If
    Next
  End If
Loop
stream.Close
If failures = 0 Then WScript.Echo "OK " & count & " calls"
