' One of several clients at once: creates, reads, formats and frees documents
' of its own, keeping a few alive at a time so that its handles interleave
' with the other clients'. Checks every result. Arguments: client name, rounds.
Option Explicit
Dim o, name, rounds, i, k, live(7), expected(7), text, h, failures
Set o = CreateObject("Lumetra.LumetraCOM")
name = WScript.Arguments(0)
rounds = CLng(WScript.Arguments(1))
failures = 0

Sub Check(what, actual, wanted)
  If actual <> wanted Then
    failures = failures + 1
    If failures <= 10 Then WScript.Echo "FAIL: " & name & " " & what & ": got [" & actual & "], expected [" & wanted & "]"
  End If
End Sub

For i = 0 To rounds - 1
  k = i Mod 8
  If Not IsEmpty(live(k)) Then
    Check "format", o.JSONFormat(live(k)), expected(k)
    o.JSONFree live(k)
  End If
  text = "{""cliente"":""" & name & """,""ronda"":" & i & ",""lista"":[" & i & ",""" & name & "-" & i & """]}"
  h = o.JSONCreate(text)
  Check "node", o.JSONGetNodeValue(h, "cliente"), name
  Check "element", o.JSONGetNodeValue(o.JSONGetArrayElement(o.JSONGetElement(h, "lista"), 1), ""), name & "-" & i
  live(k) = h
  expected(k) = text
Next
For k = 0 To 7
  If Not IsEmpty(live(k)) Then
    Check "format at the end", o.JSONFormat(live(k)), expected(k)
    o.JSONFree live(k)
  End If
Next
If failures = 0 Then WScript.Echo "OK " & name & " " & rounds & " rounds"
