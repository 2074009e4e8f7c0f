<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="imported-cell">
    <cell id="imported">from import</cell>
  </xsl:template>
</xsl:stylesheet>
