<?xml version="1.0" encoding="UTF-8"?>
<!-- A deliberately slow report: compares every item with every other one. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:param name="unitsystem" select="'SI'"/>
  <xsl:param name="decsep" select="'.'"/>
  <xsl:param name="pagelist" select="1"/>
  <xsl:template match="/">
    <slow pagelist="{$pagelist}">
      <cell id="slow-count">
        <xsl:value-of select="count(//item[@v = preceding-sibling::item/@v])"/>
      </cell>
    </slow>
  </xsl:template>
</xsl:stylesheet>
