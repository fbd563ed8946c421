VERSION 5.00
Begin VB.Form F
End
Attribute VB_Name = "F"
Attribute VB_Exposed = False
